// The program's tests can't see whether the stand-in refuses what Windows
// refuses; this does, so that a program that sends it does not go unnoticed.
#include <gtest/gtest.h>

#include "harness.h"

TEST(Refusals, WhatWindowsRefusesIsRefused)
{
    // No phonebook, so that a call past its size check fails otherwise.
    UsePhonebookAt("C:\\quorvel-no-such-folder\\rasphone.pbk");
    // None of them is the size of any of the records: each misses one by 4.
    for (DWORD wrong : {0ul, 156ul, 260ul, 1048ul}) {
        RASENTRYNAMEA entries[2] = {{wrong}};
        RASDIALPARAMSA params = {wrong};
        RASCONNSTATUSA status = {wrong};
        DWORD bytes = sizeof entries, count = 0;
        BOOL stored = FALSE;
        HRASCONN connection = nullptr;
        const DWORD results[] = {RasEnumEntriesA(nullptr, nullptr, entries, &bytes, &count),
                                 RasGetEntryDialParamsA(nullptr, &params, &stored),
                                 RasDialA(nullptr, nullptr, &params, 0, nullptr, &connection),
                                 RasGetConnectStatusA(nullptr, &status)};
        for (DWORD result : results)
            EXPECT_EQ(result, static_cast<DWORD>(RAS_ERROR_INVALID_SIZE)) << wrong;
    }
    // On Windows a handle in the dial's variable asks to resume a paused dial of it.
    RASDIALPARAMSA params = {sizeof params};
    HRASCONN stale = reinterpret_cast<HRASCONN>(1);
    EXPECT_EQ(RasDialA(nullptr, nullptr, &params, 0, nullptr, &stale), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}
