# delay_load(target dll...): the target loads each DLL on the first call into
# it instead of at start-up, through import thunks that dlltool builds from
# cmake/delay/<dll>.def (32-bit names: _name@argbytes).
#
# GNU ld drops a delay thunk's code when calls reach it only through its
# import slot, as every dllimport call does, and the slot is then left empty;
# naming each function as undefined keeps the thunk.
function(delay_load target)
    foreach(dll IN LISTS ARGN)
        set(def ${CMAKE_SOURCE_DIR}/cmake/delay/${dll}.def)
        set(lib ${CMAKE_BINARY_DIR}/delay/lib${dll}.a)
        add_custom_command(OUTPUT ${lib}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/delay
            COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --output-delaylib ${lib}
            DEPENDS ${def} VERBATIM)
        add_custom_target(${dll}_delay DEPENDS ${lib})
        add_dependencies(${target} ${dll}_delay)
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def})
        file(STRINGS ${def} functions REGEX "^[A-Za-z_][A-Za-z0-9_]*@[0-9]+$")
        foreach(function IN LISTS functions)
            target_link_options(${target} PRIVATE -Wl,--undefined=_${function})
        endforeach()
        target_link_libraries(${target} PRIVATE ${lib})
    endforeach()
    target_link_libraries(${target} PRIVATE delayimp)
endfunction()
