// The stand-in remote access service on its own: the test program links
// rasapi32 and so, in a prefix where the stand-in overrides Wine's, calls it
// directly. Connections outlive a test in this process, so each test dials
// entries of names of its own.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "test_support.h"

static const DWORD CLOSING_WAIT_MS = 600;
static const DWORD INVALID_HANDLE = 6;
static const DWORD INVALID_PARAMETER = 87;
static const DWORD NO_ANSWER = 678;
static const DWORD PORT_NOT_AVAILABLE = 633;
static const char NUL_BOOK[] = "[Good]\nUser=a\0b\n";
static const int MAX_LISTED = 16;

static bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

static DWORD Enumerate(std::vector<std::string>* names)
{
    RASENTRYNAMEA entries[MAX_LISTED] = {};
    entries[0].dwSize = sizeof(RASENTRYNAMEA);
    DWORD bytes = sizeof entries;
    DWORD count = 0;
    DWORD result = RasEnumEntriesA(nullptr, nullptr, entries, &bytes, &count);
    names->clear();
    if (result == 0) {
        for (DWORD i = 0; i < count; i++) {
            EXPECT_EQ(entries[i].dwSize, sizeof(RASENTRYNAMEA));
            names->push_back(entries[i].szEntryName);
        }
    }
    return result;
}

static DWORD EntryCount()
{
    std::vector<std::string> names;
    DWORD result = Enumerate(&names);
    return result == 0 ? static_cast<DWORD>(names.size()) : 1000000 + result;
}

static RASDIALPARAMSA DialRecord(const char* entry, const char* user = "", const char* password = "",
                                 const char* domain = "")
{
    RASDIALPARAMSA params = {};
    params.dwSize = sizeof params;
    lstrcpynA(params.szEntryName, entry, sizeof params.szEntryName);
    lstrcpynA(params.szUserName, user, sizeof params.szUserName);
    lstrcpynA(params.szPassword, password, sizeof params.szPassword);
    lstrcpynA(params.szDomain, domain, sizeof params.szDomain);
    return params;
}

static DWORD Dial(HRASCONN* connection, const char* entry, const char* user = "", const char* password = "",
                  const char* domain = "")
{
    RASDIALPARAMSA params = DialRecord(entry, user, password, domain);
    *connection = reinterpret_cast<HRASCONN>(static_cast<UINT_PTR>(0xDEAD));
    return RasDialA(nullptr, nullptr, &params, 0, nullptr, connection);
}

// "connected", "disconnected", or the call's error code.
static std::string State(HRASCONN connection, DWORD* error = nullptr)
{
    RASCONNSTATUSA status = {};
    status.dwSize = sizeof status;
    DWORD result = RasGetConnectStatusA(connection, &status);
    if (result != 0)
        return std::to_string(result);
    if (error != nullptr)
        *error = status.dwError;
    EXPECT_STRNE(status.szDeviceType, "");
    EXPECT_STRNE(status.szDeviceName, "");
    if (status.rasconnstate == RAS_STATE_CONNECTED)
        return "connected";
    if (status.rasconnstate == RAS_STATE_DISCONNECTED)
        return "disconnected";
    return "state " + std::to_string(status.rasconnstate);
}

static unsigned long HandleNumber(HRASCONN connection)
{
    return static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(connection));
}

static void HangUpAndWait(HRASCONN connection)
{
    EXPECT_EQ(RasHangUpA(connection), 0u);
    Sleep(CLOSING_WAIT_MS);
    EXPECT_EQ(State(connection), "6");
}

TEST(RecordSizes, AnySizeFieldTheServiceDoesNotKnowIsRefused)
{
    UsePhonebook("[Sizes]\nUser=u\n");
    const DWORD wrongSizes[] = {0, 4, sizeof(RASENTRYNAMEA) - 1, sizeof(RASENTRYNAMEA) + 4, 532};
    for (DWORD size : wrongSizes) {
        RASENTRYNAMEA entries[2] = {};
        entries[0].dwSize = size;
        DWORD bytes = sizeof entries;
        DWORD count = 0;
        EXPECT_EQ(RasEnumEntriesA(nullptr, nullptr, entries, &bytes, &count), RAS_ERROR_INVALID_SIZE) << size;
    }

    RASDIALPARAMSA params = DialRecord("Sizes");
    params.dwSize = sizeof params - 4;
    BOOL stored = FALSE;
    EXPECT_EQ(RasGetEntryDialParamsA(nullptr, &params, &stored), RAS_ERROR_INVALID_SIZE);
    EXPECT_STREQ(params.szUserName, "") << "a refused record is not written";
    HRASCONN connection = reinterpret_cast<HRASCONN>(static_cast<UINT_PTR>(0xDEAD));
    EXPECT_EQ(RasDialA(nullptr, nullptr, &params, 0, nullptr, &connection), RAS_ERROR_INVALID_SIZE);
    EXPECT_EQ(connection, nullptr) << "no handle for a dial refused before dialling";

    ASSERT_EQ(Dial(&connection, "Sizes"), 0u);
    RASCONNSTATUSA status = {};
    status.dwSize = sizeof status + 4;
    EXPECT_EQ(RasGetConnectStatusA(connection, &status), RAS_ERROR_INVALID_SIZE);
    status.dwSize = sizeof status - 4;
    EXPECT_EQ(RasGetConnectStatusA(connection, &status), RAS_ERROR_INVALID_SIZE);
    EXPECT_EQ(status.rasconnstate, 0u);
    HangUpAndWait(connection);
}

TEST(RecordSizes, MissingArgumentsAreRefusedWithoutACrash)
{
    UsePhonebook("[Arguments]\n");
    RASENTRYNAMEA entries[2] = {};
    entries[0].dwSize = sizeof(RASENTRYNAMEA);
    DWORD bytes = sizeof entries;
    DWORD count = 0;
    EXPECT_EQ(RasEnumEntriesA(nullptr, nullptr, entries, nullptr, &count), INVALID_PARAMETER);
    EXPECT_EQ(RasEnumEntriesA(nullptr, nullptr, entries, &bytes, nullptr), INVALID_PARAMETER);
    EXPECT_EQ(RasEnumEntriesA(nullptr, nullptr, nullptr, &bytes, &count), INVALID_PARAMETER);
    BOOL stored = FALSE;
    RASDIALPARAMSA params = DialRecord("Arguments");
    EXPECT_EQ(RasGetEntryDialParamsA(nullptr, nullptr, &stored), INVALID_PARAMETER);
    EXPECT_EQ(RasGetEntryDialParamsA(nullptr, &params, nullptr), INVALID_PARAMETER);
    HRASCONN connection = nullptr;
    EXPECT_EQ(RasDialA(nullptr, nullptr, nullptr, 0, nullptr, &connection), INVALID_PARAMETER);
    EXPECT_EQ(connection, nullptr);
    EXPECT_EQ(RasDialA(nullptr, nullptr, &params, 0, nullptr, nullptr), INVALID_PARAMETER);
    EXPECT_EQ(RasGetConnectStatusA(nullptr, nullptr), INVALID_PARAMETER);
    EXPECT_EQ(RasGetErrorStringA(691, nullptr, 100), INVALID_PARAMETER);
}

TEST(Enumeration, ListsEveryEntryInFileOrderByteForByte)
{
    UsePhonebook("; a note\r\n"
                 "# another\n"
                 "\n"
                 "[Zebra Line]\r\n"
                 "  user = z  \r\n"
                 "Phone=555 ; unknown keys are notes\n"
                 "   \t\n"
                 "[Caf\xE9 Wi-Fi]\n"
                 "[  Spaced  ]\n"
                 "[Alpha]\n"
                 "DIALRESULT=0\n");
    std::vector<std::string> names;
    ASSERT_EQ(Enumerate(&names), 0u);
    std::vector<std::string> expected = {"Zebra Line", "Caf\xE9 Wi-Fi", "  Spaced  ", "Alpha"};
    EXPECT_EQ(names, expected);

    std::string longName(RAS_MAX_ENTRY_NAME, 'n');
    UsePhonebook("[" + longName + "]\n");
    ASSERT_EQ(Enumerate(&names), 0u);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0], longName);
}

TEST(Enumeration, ATooSmallBufferIsToldTheSizeNeeded)
{
    UsePhonebook("[One]\n[Two]\n[Three]\n");
    RASENTRYNAMEA entries[3] = {};
    entries[0].dwSize = sizeof(RASENTRYNAMEA);
    DWORD bytes = sizeof(RASENTRYNAMEA) * 2;
    DWORD count = 0;
    EXPECT_EQ(RasEnumEntriesA(nullptr, nullptr, entries, &bytes, &count), RAS_ERROR_BUFFER_TOO_SMALL);
    EXPECT_EQ(bytes, 3 * sizeof(RASENTRYNAMEA));
    EXPECT_EQ(count, 3u);

    DWORD noBytes = 0;
    count = 0;
    EXPECT_EQ(RasEnumEntriesA(nullptr, nullptr, nullptr, &noBytes, &count), RAS_ERROR_BUFFER_TOO_SMALL);
    EXPECT_EQ(noBytes, 3 * sizeof(RASENTRYNAMEA));

    bytes = sizeof entries;
    EXPECT_EQ(RasEnumEntriesA(nullptr, nullptr, entries, &bytes, &count), 0u);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(bytes, sizeof entries);
    EXPECT_STREQ(entries[2].szEntryName, "Three");
}

TEST(Phonebook, IsReadAfreshOnEveryCallAndNeverWritten)
{
    const std::string contents = "; keep\r\n[Caf\xE9]\r\nUser=ren\xE9\nPassword=x\r\n\r\n[B]\nDialMs=10\n";
    std::string path = UsePhonebook(contents);
    EXPECT_EQ(EntryCount(), 2u);
    HRASCONN connection = nullptr;
    EXPECT_EQ(Dial(&connection, "B"), 0u);
    HangUpAndWait(connection);
    RASDIALPARAMSA params = DialRecord("Caf\xE9");
    BOOL stored = FALSE;
    EXPECT_EQ(RasGetEntryDialParamsA(nullptr, &params, &stored), 0u);
    EXPECT_STREQ(params.szUserName, "ren\xE9");
    EXPECT_EQ(ReadFileBytes(path), contents);

    WriteFileBytes(path, contents + "[C]\n");
    EXPECT_EQ(EntryCount(), 3u);
    WriteFileBytes(path, "[Only]\n");
    EXPECT_EQ(EntryCount(), 1u);
}

TEST(Phonebook, AMissingFileOrFolderIsAnEmptyPhonebook)
{
    SetEnvironmentVariableA("QUORVEL_RAS_PHONEBOOK", TestFilePath("absent.pbk").c_str());
    EXPECT_EQ(EntryCount(), 0u);
    RASDIALPARAMSA params = DialRecord("Anything");
    BOOL stored = FALSE;
    EXPECT_EQ(RasGetEntryDialParamsA(nullptr, &params, &stored), RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
    std::string inMissingFolder = TestFilePath("absent-folder") + "\\rasphone.pbk";
    SetEnvironmentVariableA("QUORVEL_RAS_PHONEBOOK", inMissingFolder.c_str());
    EXPECT_EQ(EntryCount(), 0u);
    HRASCONN connection = nullptr;
    EXPECT_EQ(Dial(&connection, "Anything"), RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
    EXPECT_EQ(connection, nullptr);
}

TEST(Phonebook, WithoutTheVariableTheUsersDefaultPhonebookIsRead)
{
    char saved[MAX_PATH] = "";
    GetEnvironmentVariableA("APPDATA", saved, sizeof saved);
    std::string appData = TestFilePath("appdata");
    std::string folder = appData;
    for (const char* part : {"", "\\Microsoft", "\\Network", "\\Connections", "\\Pbk"}) {
        folder += part;
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    WriteFileBytes(folder + "\\rasphone.pbk", "[Default One]\n[Default Two]\n");
    SetEnvironmentVariableA("APPDATA", appData.c_str());
    SetEnvironmentVariableA("QUORVEL_RAS_PHONEBOOK", nullptr);
    std::vector<std::string> names;
    EXPECT_EQ(Enumerate(&names), 0u);
    SetEnvironmentVariableA("APPDATA", saved[0] != '\0' ? saved : nullptr);
    std::vector<std::string> expected = {"Default One", "Default Two"};
    EXPECT_EQ(names, expected);

    // A phonebook the caller names comes before both.
    UsePhonebook("[Env]\n");
    std::string other = TestFilePath("named.pbk");
    WriteFileBytes(other, "[Named A]\n[Named B]\n[Named C]\n");
    RASENTRYNAMEA entries[4] = {};
    entries[0].dwSize = sizeof(RASENTRYNAMEA);
    DWORD bytes = sizeof entries;
    DWORD count = 0;
    EXPECT_EQ(RasEnumEntriesA(nullptr, other.c_str(), entries, &bytes, &count), 0u);
    EXPECT_EQ(count, 3u);
}

TEST(Phonebook, AFileThatCannotBeReadFailsEveryCallThatNeedsIt)
{
    std::string folder = TestFilePath("folder.pbk");
    CreateDirectoryA(folder.c_str(), nullptr);
    SetEnvironmentVariableA("QUORVEL_RAS_PHONEBOOK", folder.c_str());
    std::vector<std::string> names;
    EXPECT_EQ(Enumerate(&names), RAS_ERROR_CANNOT_OPEN_PHONEBOOK);
    RASDIALPARAMSA params = DialRecord("Unreadable");
    BOOL stored = FALSE;
    EXPECT_EQ(RasGetEntryDialParamsA(nullptr, &params, &stored), RAS_ERROR_CANNOT_OPEN_PHONEBOOK);
    HRASCONN connection = nullptr;
    EXPECT_EQ(Dial(&connection, "Unreadable"), RAS_ERROR_CANNOT_OPEN_PHONEBOOK);
    EXPECT_EQ(connection, nullptr);
    EXPECT_TRUE(Contains(RasText(RAS_ERROR_CANNOT_OPEN_PHONEBOOK), "phonebook"));
}

TEST(Phonebook, ADamagedFileFailsEveryCallThatNeedsIt)
{
    const std::string damaged[] = {
        "[Good]\njust words\n",
        "User=before any section\n[Good]\n",
        "[Good\n",
        "[]\n",
        "[" + std::string(RAS_MAX_ENTRY_NAME + 1, 'n') + "]\n",
        "[Good]\n[Good]\n",
        "[Good]\n[GOOD]\n",
        "[Good] trailing\n",
        "[Good]\n=value\n",
        "[Good]\nDialResult=abc\n",
        "[Good]\nDialMs=-5\n",
        "[Good]\nDomain=" + std::string(RAS_MAX_DOMAIN + 1, 'd') + "\n",
        std::string(NUL_BOOK, sizeof NUL_BOOK - 1),
    };
    for (const std::string& contents : damaged) {
        UsePhonebook(contents);
        std::vector<std::string> names;
        EXPECT_EQ(Enumerate(&names), RAS_ERROR_CORRUPT_PHONEBOOK) << contents;
        RASDIALPARAMSA params = DialRecord("Good");
        BOOL stored = FALSE;
        EXPECT_EQ(RasGetEntryDialParamsA(nullptr, &params, &stored), RAS_ERROR_CORRUPT_PHONEBOOK) << contents;
    }
    HRASCONN connection = nullptr;
    EXPECT_EQ(Dial(&connection, "Good"), RAS_ERROR_CORRUPT_PHONEBOOK);
    EXPECT_EQ(connection, nullptr);

    std::string huge = "[Huge]\n";
    huge += std::string(1024 * 1024, ';');
    UsePhonebook(huge);
    EXPECT_EQ(EntryCount(), 1000000 + RAS_ERROR_CORRUPT_PHONEBOOK);
    EXPECT_TRUE(Contains(RasText(RAS_ERROR_CORRUPT_PHONEBOOK), "phonebook"));
    EXPECT_NE(RasText(RAS_ERROR_CORRUPT_PHONEBOOK), RasText(RAS_ERROR_CANNOT_OPEN_PHONEBOOK));
}

TEST(DialParams, GiveTheStoredCredentialsAndWhetherAPasswordIsStored)
{
    UsePhonebook("[Full]\nuser=alice\nPASSWORD=s3cret\nDomain=HOME\n"
                 "[Bare]\n"
                 "[Blank Password]\nUser=bob\nPassword=\n");
    RASDIALPARAMSA params = DialRecord("full", "old", "old", "old");
    BOOL stored = FALSE;
    ASSERT_EQ(RasGetEntryDialParamsA(nullptr, &params, &stored), 0u);
    EXPECT_STREQ(params.szUserName, "alice");
    EXPECT_STREQ(params.szPassword, "s3cret");
    EXPECT_STREQ(params.szDomain, "HOME");
    EXPECT_TRUE(stored);

    params = DialRecord("Bare", "old", "old", "old");
    stored = TRUE;
    ASSERT_EQ(RasGetEntryDialParamsA(nullptr, &params, &stored), 0u);
    EXPECT_STREQ(params.szUserName, "");
    EXPECT_STREQ(params.szPassword, "");
    EXPECT_STREQ(params.szDomain, "");
    EXPECT_FALSE(stored);

    params = DialRecord("Blank Password");
    ASSERT_EQ(RasGetEntryDialParamsA(nullptr, &params, &stored), 0u);
    EXPECT_STREQ(params.szUserName, "bob");
    EXPECT_TRUE(stored) << "the key is there, empty";

    params = DialRecord("Nowhere");
    EXPECT_EQ(RasGetEntryDialParamsA(nullptr, &params, &stored), RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
    params = DialRecord("");
    EXPECT_EQ(RasGetEntryDialParamsA(nullptr, &params, &stored), RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
}

TEST(Dial, EndsAsTheEntrySaysAfterItsDuration)
{
    UsePhonebook("[Dial Fine]\nDialMs=400\n"
                 "[Dial Busy]\nDialResult=678\n");
    HRASCONN connection = nullptr;
    DWORD started = GetTickCount();
    ASSERT_EQ(Dial(&connection, "Dial Fine"), 0u);
    EXPECT_GE(GetTickCount() - started, 380u) << "the dial takes DialMs";
    EXPECT_NE(connection, nullptr);
    EXPECT_EQ(State(connection), "connected");

    HRASCONN failed = nullptr;
    EXPECT_EQ(Dial(&failed, "Dial Busy"), NO_ANSWER);
    ASSERT_NE(failed, nullptr) << "a failed dial still gives a handle";
    EXPECT_NE(failed, connection);
    DWORD error = 0;
    EXPECT_EQ(State(failed, &error), "disconnected");
    EXPECT_EQ(error, NO_ANSWER);
    HangUpAndWait(failed);
    HangUpAndWait(connection);

    HRASCONN missing = nullptr;
    EXPECT_EQ(Dial(&missing, "Dial Nowhere"), RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
    EXPECT_EQ(missing, nullptr);
    EXPECT_EQ(Dial(&missing, ""), RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
    EXPECT_EQ(missing, nullptr);
}

TEST(Dial, CredentialsTheFarEndDoesNotAcceptFailWith691)
{
    UsePhonebook("[Strict A]\nDomain=HOME\nAcceptUser=alice\nAcceptPassword=Open\nAcceptDomain=home\n"
                 "[Strict B]\nDomain=WORK\nAcceptDomain=HOME\n");
    struct Attempt {
        const char* entry;
        const char* user;
        const char* password;
        const char* domain;
        DWORD result;
    };
    const Attempt attempts[] = {
        {"Strict A", "mallory", "Open", "HOME", RAS_ERROR_AUTHENTICATION_FAILURE},
        {"Strict A", "alice", "open", "HOME", RAS_ERROR_AUTHENTICATION_FAILURE},
        {"Strict A", "alice", "Open", "WORK", RAS_ERROR_AUTHENTICATION_FAILURE},
        {"Strict A", "alice", "Open", "", RAS_ERROR_AUTHENTICATION_FAILURE},
        {"Strict B", "anyone", "anything", "*", RAS_ERROR_AUTHENTICATION_FAILURE},
        {"Strict B", "anyone", "anything", "home", 0},
        {"Strict A", "ALICE", "Open", "*", 0},
    };
    for (const Attempt& a : attempts) {
        HRASCONN connection = nullptr;
        DWORD result = Dial(&connection, a.entry, a.user, a.password, a.domain);
        EXPECT_EQ(result, a.result) << a.entry << " " << a.user << " " << a.password << " " << a.domain;
        ASSERT_NE(connection, nullptr);
        DWORD error = 0;
        EXPECT_EQ(State(connection, &error), result == 0 ? "connected" : "disconnected");
        EXPECT_EQ(error, result);
        HangUpAndWait(connection);
    }
}

TEST(Connection, LivesUntilHungUpThenClosesAndIsForgotten)
{
    UsePhonebook("[Life A]\nDialMs=300\n[Life B]\n");
    HRASCONN first = nullptr;
    ASSERT_EQ(Dial(&first, "Life A"), 0u);
    HRASCONN again = nullptr;
    DWORD started = GetTickCount();
    EXPECT_EQ(Dial(&again, "life a"), 0u);
    EXPECT_EQ(again, first) << "an entry that is connected keeps its connection";
    EXPECT_LT(GetTickCount() - started, 200u);
    HRASCONN other = nullptr;
    ASSERT_EQ(Dial(&other, "Life B"), 0u);
    EXPECT_GT(HandleNumber(other), HandleNumber(first));

    EXPECT_EQ(RasHangUpA(first), 0u);
    EXPECT_EQ(State(first), "disconnected") << "closing";
    EXPECT_EQ(RasHangUpA(first), 0u) << "a second hang-up while it closes";
    EXPECT_EQ(State(other), "connected");
    Sleep(CLOSING_WAIT_MS);
    EXPECT_EQ(State(first), "6");
    EXPECT_EQ(RasHangUpA(first), INVALID_HANDLE);

    HRASCONN next = nullptr;
    ASSERT_EQ(Dial(&next, "Life A"), 0u);
    EXPECT_GT(HandleNumber(next), HandleNumber(other)) << "a new dial after the hang-up";
    HangUpAndWait(next);
    HangUpAndWait(other);

    EXPECT_EQ(RasHangUpA(nullptr), INVALID_HANDLE);
    EXPECT_EQ(State(nullptr), "6");
    HRASCONN unknown = reinterpret_cast<HRASCONN>(static_cast<UINT_PTR>(123456));
    EXPECT_EQ(RasHangUpA(unknown), INVALID_HANDLE);
    EXPECT_EQ(State(unknown), "6");
}

TEST(Connection, AFailedDialCanLeaveItUpAndAHangUpCanBeRefused)
{
    UsePhonebook("[Sticky]\nDialResult=633\nStillUpAfterFailure=1\n"
                 "[Stubborn]\nHangUpResult=668\n");
    HRASCONN sticky = nullptr;
    EXPECT_EQ(Dial(&sticky, "Sticky"), PORT_NOT_AVAILABLE);
    ASSERT_NE(sticky, nullptr);
    EXPECT_EQ(State(sticky), "connected");
    HRASCONN same = nullptr;
    EXPECT_EQ(Dial(&same, "Sticky"), 0u) << "it is up, so dialling it again finds it";
    EXPECT_EQ(same, sticky);
    HangUpAndWait(sticky);

    HRASCONN stubborn = nullptr;
    ASSERT_EQ(Dial(&stubborn, "Stubborn"), 0u);
    EXPECT_EQ(RasHangUpA(stubborn), 668u);
    Sleep(CLOSING_WAIT_MS);
    EXPECT_EQ(State(stubborn), "connected") << "a refused hang-up leaves it as it was";
    UsePhonebook("[Stubborn]\n");
    HangUpAndWait(stubborn);
}

TEST(ErrorTexts, EveryCodeTheServiceCanGiveHasATextOfItsOwn)
{
    std::vector<DWORD> codes = {INVALID_HANDLE, INVALID_PARAMETER};
    for (DWORD code = 600; code <= 800; code++)
        codes.push_back(code);
    std::string previous;
    for (DWORD code : codes) {
        char text[512];
        memset(text, 'x', sizeof text);
        ASSERT_EQ(RasGetErrorStringA(code, text, sizeof text), 0u) << code;
        size_t length = strnlen(text, sizeof text);
        ASSERT_LT(length, sizeof text) << code;
        EXPECT_GT(length, 10u) << code;
        EXPECT_NE(text, previous) << code;
        previous = text;
    }
    for (UINT code : {0u, 5u, 599u, 801u, 5000u}) {
        char text[512] = "untouched";
        EXPECT_NE(RasGetErrorStringA(code, text, sizeof text), 0u) << code;
        EXPECT_STREQ(text, "untouched") << code;
    }
}

TEST(ErrorTexts, ABufferTooSmallIsRefusedAndLeftAlone)
{
    std::string full = RasText(RAS_ERROR_AUTHENTICATION_FAILURE);
    ASSERT_NE(full, "Unknown error");
    std::vector<char> exact(full.size() + 1, 'x');
    EXPECT_EQ(RasGetErrorStringA(691, exact.data(), static_cast<DWORD>(exact.size())), 0u);
    EXPECT_EQ(std::string(exact.data()), full);
    std::vector<char> shorter(full.size(), 'x');
    DWORD result = RasGetErrorStringA(691, shorter.data(), static_cast<DWORD>(shorter.size()));
    EXPECT_TRUE(result == RAS_ERROR_BUFFER_TOO_SMALL || result == INVALID_PARAMETER) << result;
    EXPECT_EQ(std::string(shorter.begin(), shorter.end()), std::string(full.size(), 'x'));
    char none = 'x';
    EXPECT_NE(RasGetErrorStringA(691, &none, 0), 0u);
    EXPECT_EQ(none, 'x');
}

TEST(Journal, OneLinePerCallWithItsStartTimeAndNoPassword)
{
    static const char SECRET[] = "Pw-Sentinel-7341";
    static const char TYPED[] = "Typed-Secret-9902";
    UsePhonebook(std::string("[Logged \"Q\"]\nUser=zoe\nPassword=") + SECRET + "\nDomain=DOM\nDialMs=500\n" +
                 "[Logged Busy]\nDialResult=678\nAcceptPassword=" + SECRET + "\n");
    std::string path = UseJournal();
    std::vector<std::string> names;
    ASSERT_EQ(Enumerate(&names), 0u);
    RASDIALPARAMSA params = DialRecord("Logged \"Q\"");
    BOOL stored = FALSE;
    ASSERT_EQ(RasGetEntryDialParamsA(nullptr, &params, &stored), 0u);
    params = DialRecord("Logged Nowhere");
    EXPECT_EQ(RasGetEntryDialParamsA(nullptr, &params, &stored), RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
    SYSTEMTIME beforeDial;
    GetLocalTime(&beforeDial);
    HRASCONN connection = nullptr;
    ASSERT_EQ(Dial(&connection, "Logged \"Q\"", "zoe\r\nx", TYPED, "*"), 0u);
    HRASCONN busy = nullptr;
    EXPECT_EQ(Dial(&busy, "Logged Busy", "zoe", SECRET, "DOM"), NO_ANSWER);
    EXPECT_EQ(State(connection), "connected");
    EXPECT_EQ(RasHangUpA(connection), 0u);
    RasText(691);
    SetEnvironmentVariableA("QUORVEL_RAS_JOURNAL", nullptr);
    EXPECT_EQ(State(busy), "disconnected");
    std::string whole = ReadFileBytes(path);

    std::vector<std::string> lines = JournalLines();
    const char* expected[] = {
        " RasEnumEntriesA -> 0 entries=2",
        " RasGetEntryDialParamsA entry=\"Logged \\\"Q\\\"\" -> 0 user=\"zoe\" domain=\"DOM\" passwordStored=1",
        " RasGetEntryDialParamsA entry=\"Logged Nowhere\" -> 623",
        " RasDialA entry=\"Logged \\\"Q\\\"\" user=\"zoe\\x0d\\x0ax\" domain=\"*\" -> 0 handle=",
        " RasDialA entry=\"Logged Busy\" user=\"zoe\" domain=\"DOM\" -> 678 handle=",
        " RasGetConnectStatusA handle=",
        " RasHangUpA handle=",
        " RasGetErrorStringA code=691 -> 0",
    };
    ASSERT_EQ(lines.size(), sizeof expected / sizeof expected[0]) << whole;
    for (size_t i = 0; i < lines.size(); i++) {
        SYSTEMTIME time;
        EXPECT_TRUE(JournalTime(lines[i], &time)) << lines[i];
        EXPECT_EQ(lines[i].compare(23, strlen(expected[i]), expected[i]), 0) << lines[i];
    }
    std::string handle = std::to_string(HandleNumber(connection));
    EXPECT_EQ(lines[3].substr(lines[3].size() - handle.size()), handle);
    EXPECT_TRUE(Contains(lines[5], "handle=" + handle + " -> 0 state=connected error=0")) << lines[5];
    EXPECT_TRUE(Contains(lines[6], "handle=" + handle + " -> 0")) << lines[6];

    SYSTEMTIME dialTime;
    ASSERT_TRUE(JournalTime(lines[3], &dialTime));
    long long lateness = MsBetween(beforeDial, dialTime);
    EXPECT_GE(lateness, 0);
    EXPECT_LT(lateness, 300) << "a dial is stamped with its start, not its end";

    EXPECT_FALSE(Contains(whole, SECRET));
    EXPECT_FALSE(Contains(whole, TYPED));
    EXPECT_EQ(whole.size(), whole.find("\r\n", whole.size() - 2) + 2);
    Sleep(CLOSING_WAIT_MS);
}
