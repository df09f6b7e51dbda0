// The program's own tests cannot see whether the stand-in checks the size
// fields of the records it is given; this does, so that a fault in one of
// the program's size fields does not go unnoticed.
#include <gtest/gtest.h>

#include <functional>

#include "platform/platform.h"

TEST(RecordSizes, EveryCallTakingARecordRefusesASizeItDoesNotKnow)
{
    // No phonebook, so that a call past its size check fails otherwise.
    SetEnvironmentVariableA("QUORVEL_RAS_PHONEBOOK", "C:\\quorvel-no-such-folder\\rasphone.pbk");
    RASENTRYNAMEA entries[2] = {};
    RASDIALPARAMSA params = {};
    RASCONNSTATUSA status = {};
    DWORD bytes = sizeof entries;
    DWORD count = 0;
    BOOL stored = FALSE;
    HRASCONN connection = nullptr;
    const struct {
        const char* name;
        DWORD* sizeField;
        DWORD size;
        std::function<DWORD()> call;
    } calls[] = {
        {"RasEnumEntriesA", &entries[0].dwSize, sizeof entries[0],
         [&] { return RasEnumEntriesA(nullptr, nullptr, entries, &bytes, &count); }},
        {"RasGetEntryDialParamsA", &params.dwSize, sizeof params,
         [&] { return RasGetEntryDialParamsA(nullptr, &params, &stored); }},
        {"RasDialA", &params.dwSize, sizeof params,
         [&] { return RasDialA(nullptr, nullptr, &params, 0, nullptr, &connection); }},
        {"RasGetConnectStatusA", &status.dwSize, sizeof status, [&] { return RasGetConnectStatusA(nullptr, &status); }},
    };
    for (const auto& c : calls) {
        const DWORD wrongSizes[] = {0, 4, c.size - 1, c.size + 4, 2 * c.size};
        for (DWORD size : wrongSizes) {
            *c.sizeField = size;
            EXPECT_EQ(c.call(), static_cast<DWORD>(RAS_ERROR_INVALID_SIZE)) << c.name << " size " << size;
        }
        *c.sizeField = c.size;
        EXPECT_NE(c.call(), static_cast<DWORD>(RAS_ERROR_INVALID_SIZE)) << c.name << " its own size";
    }
}
