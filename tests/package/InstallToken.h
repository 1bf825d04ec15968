// The token the package tests install with. The installer holds the program's
// start back for a token elevated above the user's own (packaging/
// InstallerElevation.cpp: elevation type "full"), so the tests install "as
// the user" with a token that is not, and "elevated" with one that is.
#pragma once
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include <windows.h>
#include <string>

enum Rights { AS_USER, ELEVATED };

// What this process's tokens are, as far as the choice goes.
struct TokenFacts
{
    TOKEN_ELEVATION_TYPE own;
    // A linked token (User Account Control on) that CreateProcessAsUser can
    // take: a primary token, or one that can be made primary. Without
    // SeTcbPrivilege Windows hands out an identification token, which
    // cannot; with User Account Control off there is none.
    bool linkedUsable;
    TOKEN_ELEVATION_TYPE linked;
};

enum TokenChoice { OWN_TOKEN, LINKED_TOKEN, NO_TOKEN };

// This process's own token when it has the rights, else the linked one when
// it has them and can be used, else none.
TokenChoice ChooseToken(const TokenFacts& facts, Rights rights);

// The token to install with: *phToken a primary token to close after, or
// nullptr for this process's own. False when no token has the rights. What
// was chosen, and its elevation, in words.
bool TakeToken(Rights rights, HANDLE* phToken, std::string& said);
