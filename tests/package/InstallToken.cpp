#include "InstallToken.h"

namespace {

bool HasRights(TOKEN_ELEVATION_TYPE type, Rights rights)
{
    return (type == TokenElevationTypeFull) == (rights == ELEVATED);
}

std::string ElevationText(TOKEN_ELEVATION_TYPE type)
{
    switch (type) {
    case TokenElevationTypeFull:
        return "elevation full (above the user's own)";
    case TokenElevationTypeLimited:
        return "elevation limited (the user's own, with User Account Control on)";
    default:
        return "elevation default (one level for everything: User Account Control off, or the built-in "
               "Administrator)";
    }
}

TOKEN_ELEVATION_TYPE ElevationType(HANDLE hToken)
{
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD size;
    GetTokenInformation(hToken, TokenElevationType, &type, sizeof type, &size);
    return type;
}

// The linked token made a primary one, or nullptr. Windows makes none of the
// identification token it hands out without SeTcbPrivilege (Wine does).
HANDLE LinkedPrimaryToken(HANDLE hOwn, TOKEN_ELEVATION_TYPE& type)
{
    TOKEN_LINKED_TOKEN linked = {};
    DWORD size;
    if (!GetTokenInformation(hOwn, TokenLinkedToken, &linked, sizeof linked, &size) || !linked.LinkedToken)
        return nullptr;
    type = ElevationType(linked.LinkedToken);
    HANDLE hPrimary = nullptr;
    if (!DuplicateTokenEx(linked.LinkedToken, TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY, nullptr,
                          SecurityImpersonation, TokenPrimary, &hPrimary))
        hPrimary = nullptr;
    CloseHandle(linked.LinkedToken);
    return hPrimary;
}

} // namespace

TokenChoice ChooseToken(const TokenFacts& facts, Rights rights)
{
    if (HasRights(facts.own, rights))
        return OWN_TOKEN;
    if (facts.linkedUsable && HasRights(facts.linked, rights))
        return LINKED_TOKEN;
    return NO_TOKEN;
}

bool TakeToken(Rights rights, HANDLE* phToken, std::string& said)
{
    *phToken = nullptr;
    HANDLE hOwn;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, &hOwn)) {
        said = "no token: this process's cannot be opened";
        return false;
    }
    TokenFacts facts = {ElevationType(hOwn), false, TokenElevationTypeDefault};
    HANDLE hLinked = LinkedPrimaryToken(hOwn, facts.linked);
    facts.linkedUsable = hLinked != nullptr;
    CloseHandle(hOwn);

    TokenChoice choice = ChooseToken(facts, rights);
    if (choice != LINKED_TOKEN && hLinked)
        CloseHandle(hLinked);
    switch (choice) {
    case OWN_TOKEN:
        said = "this process's own token, " + ElevationText(facts.own);
        return true;
    case LINKED_TOKEN:
        said = "the token linked to this process's, " + ElevationText(facts.linked);
        *phToken = hLinked;
        return true;
    default:
        said = std::string(rights == ELEVATED ? "no token elevated above the user's own" : "no token of the user's own rights")
             + ": this process's has " + ElevationText(facts.own) + ", and "
             + (facts.linkedUsable ? "the linked one has " + ElevationText(facts.linked)
                                   : "no linked token can be used (without SeTcbPrivilege Windows gives only an "
                                     "identification token)");
        return false;
    }
}
