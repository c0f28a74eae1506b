/*
 * zelexample - drives one clock through libzeldll32.so, knowing only zeldll32.h.
 *
 *   zelexample tcp <ipv4 address> [port=3001] [reader ID=1]
 *   zelexample serial <port index> [bit rate=9600] [reader ID=1]
 *
 * The library is loaded with dlopen from $ZEL_VENDOR_LIBRARY, else "libzeldll32.so" next to this
 * program, else through the normal search path. For a serial line, ZEL_COM<index+1> names the
 * device (for example the pseudo-terminal of zelclockd). Every operation prints its result code;
 * the exit status is the number of operations that did not give the expected code.
 */
#define _POSIX_C_SOURCE 200809L
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include "zeldll32.h"

/* One pointer per entry point, named like the function. */
#define ZEL_FUNCTIONS(X)                                                                                               \
    X(zelInstallChannel, (int32_t))                                                                                    \
    X(zelOpenDirectChannel, (int32_t, int32_t))                                                                        \
    X(zelStartupWsock, (void))                                                                                         \
    X(zelCleanupWsock, (void))                                                                                         \
    X(zelInitWsock, (const char*, int32_t))                                                                            \
    X(zelCloseChannel, (int32_t))                                                                                      \
    X(zelCloseWsock, (int32_t))                                                                                        \
    X(zelSetHandReader, (int32_t, int32_t, void*))                                                                     \
    X(zelGetReaderInfo, (int32_t, void*))                                                                              \
    X(zelTextToID, (const char*, void*))                                                                               \
    X(zelIDToText, (const void*, char*))                                                                               \
    X(zelGetUserRecord, (int32_t, const void*, void*))                                                                 \
    X(zelGetExtUserRecord, (int32_t, const void*, void*))                                                              \
    X(zelHereIsUserRecord, (int32_t, const void*))                                                                     \
    X(zelHereIsExtUserRecord, (int32_t, const void*))                                                                  \
    X(zelRemoveUserRecord, (int32_t, const void*))                                                                     \
    X(zelClearUserDataBase, (int32_t))                                                                                 \
    X(zelGetDataBank, (int32_t, int32_t, void*))                                                                       \
    X(zelSetDataBank, (int32_t, int32_t, const void*))                                                                 \
    X(zelGetSetupData, (int32_t, void*))                                                                               \
    X(zelHereIsSetupData, (int32_t, const void*))                                                                      \
    X(zelUpdateNVRam, (int32_t))                                                                                       \
    X(zelGetTime, (int32_t, void*))                                                                                    \
    X(zelHereIsTime, (int32_t, const void*))                                                                           \
    X(zelGetDataLogElement, (int32_t, void*, int32_t))                                                                 \
    X(zelHereIsDisplayMessage, (int32_t, const void*))                                                                 \
    X(zelHereIsFkeyData, (int32_t, const void*))                                                                       \
    X(zelEnrollUser, (int32_t, int32_t))                                                                               \
    X(zelSendStatusCRC, (int32_t, void*))                                                                              \
    X(zelGetLastTemplate, (int32_t, void*))                                                                            \
    X(zelVerifyOnExternalData, (int32_t, int32_t*, const void*))                                                       \
    X(zelAbortCommand, (int32_t))

#define DECLARE(name, args) static int32_t(*p_##name) args;
ZEL_FUNCTIONS(DECLARE)

static int failures = 0;

static void Check(const char* what, int32_t result, int32_t expected)
{
    printf("%-34s %3d%s\n", what, (int)result, result == expected ? "" : "   <-- unexpected");
    if (result != expected) {
        ++failures;
    }
}

static uint32_t Le32(const uint8_t* p)
{
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

static void* LoadLibrary(const char* argv0)
{
    const char* named = getenv("ZEL_VENDOR_LIBRARY");
    if (named != NULL && *named != '\0') {
        return dlopen(named, RTLD_NOW | RTLD_LOCAL);
    }
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 32);
    if (n > 0) {
        path[n] = '\0';
        char* slash = strrchr(path, '/');
        if (slash != NULL) {
            strcpy(slash + 1, "libzeldll32.so");
            void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
            if (handle != NULL) {
                return handle;
            }
        }
    }
    (void)argv0;
    return dlopen("libzeldll32.so", RTLD_NOW | RTLD_LOCAL);
}

static void Pause(void)
{
    struct timespec t = {0, 50 * 1000 * 1000};
    nanosleep(&t, NULL);
}

/* Polls the status until the running enrollment or verification completes or times out.
   Returns 1 when complete, 0 when timed out, -1 on a failed poll or after 30 s. */
static int WaitForClock(int32_t h, const char* phase)
{
    uint8_t status[ZEL_STATUS_RECORD_SIZE];
    int reads = 0, active = 0;
    for (int polls = 0; polls < 600; ++polls) {
        int32_t r = p_zelSendStatusCRC(h, status);
        if (r != 0) {
            Check(phase, r, 0);
            return -1;
        }
        int now = Le32(status) != 0;
        if (active && !now) {
            ++reads;
        }
        active = now;
        if (Le32(status + 40) != 0) {
            printf("%-34s complete after %d hand reads, LEDs %u %u %u %u\n", phase, reads, Le32(status + 4),
                   Le32(status + 8), Le32(status + 12), Le32(status + 16));
            return 1;
        }
        if (Le32(status + 44) != 0) {
            printf("%-34s timed out after %d hand reads\n", phase, reads);
            return 0;
        }
        Pause();
    }
    printf("%-34s no end after 30 s\n", phase);
    return -1;
}

int main(int argc, char** argv)
{
    if (argc < 3 || (strcmp(argv[1], "tcp") != 0 && strcmp(argv[1], "serial") != 0)) {
        fprintf(stderr,
                "usage: %s tcp <ipv4 address> [port] [reader ID]\n"
                "       %s serial <port index> [bit rate] [reader ID]\n",
                argv[0], argv[0]);
        return 2;
    }
    void* library = LoadLibrary(argv[0]);
    if (library == NULL) {
        fprintf(stderr, "cannot load libzeldll32.so: %s\n", dlerror());
        return 2;
    }
#define RESOLVE(name, args)                                                                                            \
    *(void**)(&p_##name) = dlsym(library, #name);                                                                      \
    if (p_##name == NULL) {                                                                                            \
        fprintf(stderr, "entry point %s missing\n", #name);                                                            \
        return 2;                                                                                                      \
    }
    ZEL_FUNCTIONS(RESOLVE)

    const int tcp = strcmp(argv[1], "tcp") == 0;
    const int32_t readerId = argc > 4 ? atoi(argv[4]) : 1;
    int32_t h = 0;
    if (tcp) {
        Check("zelStartupWsock", p_zelStartupWsock(), 0);
        h = p_zelInitWsock(argv[2], argc > 3 ? atoi(argv[3]) : 3001);
    } else {
        h = p_zelInstallChannel(atoi(argv[2]));
        if (h != 0) {
            Check("zelOpenDirectChannel", p_zelOpenDirectChannel(h, argc > 3 ? atoi(argv[3]) : 9600), 0);
        }
    }
    printf("%-34s %3d\n", "channel handle", (int)h);
    if (h == 0) {
        return 1;
    }

    uint8_t status[ZEL_STATUS_RECORD_SIZE] = {0};
    Check("zelSetHandReader", p_zelSetHandReader(h, readerId, status), 0);
    uint8_t info[ZEL_READER_INFO_RECORD_SIZE];
    Check("zelGetReaderInfo", p_zelGetReaderInfo(h, info), 0);
    const int newer = info[0] == 2;
    printf("%-34s model %d, %d users\n", "reader info", info[0], (int16_t)(info[50] | (info[51] << 8)));

    /* Clock time */
    uint8_t t[ZEL_TIME_RECORD_SIZE] = {9, 5, 14, 15, 3, 4};
    Check("zelHereIsTime 2004-03-15 14:05:09", p_zelHereIsTime(h, t), 0);
    memset(t, 0, sizeof t);
    Check("zelGetTime", p_zelGetTime(h, t), 0);
    printf("%-34s 20%02d-%02d-%02d %02d:%02d:%02d\n", "clock time", t[5], t[4], t[3], t[2], t[1], t[0]);

    /* Settings */
    uint8_t setup[ZEL_SETUP_RECORD_SIZE];
    Check("zelGetSetupData", p_zelGetSetupData(h, setup), 0);
    setup[117] ^= 1; /* time and attendance */
    Check("zelHereIsSetupData", p_zelHereIsSetupData(h, setup), 0);
    Check("zelUpdateNVRam", p_zelUpdateNVRam(h), 0);
    uint8_t again[ZEL_SETUP_RECORD_SIZE];
    Check("zelGetSetupData (again)", p_zelGetSetupData(h, again), 0);
    printf("%-34s %s\n", "setup record round trip", memcmp(setup, again, sizeof setup) == 0 ? "same" : "DIFFERENT");

    /* User IDs */
    uint8_t id[ZEL_USER_ID_RECORD_SIZE];
    char text[ZEL_ID_TEXT_SIZE];
    Check("zelTextToID \"007\"", p_zelTextToID("007", id), 0);
    p_zelIDToText(id, text);
    printf("%-34s %s\n", "zelIDToText", text);
    Check("zelTextToID \"12a\"", p_zelTextToID("12a", id), 1);

    /* One user */
    uint8_t user[ZEL_EXT_USER_RECORD_SIZE] = {0};
    p_zelTextToID("42", user);
    for (int i = 0; i < 9; ++i) {
        user[5 + i] = (uint8_t)(i + 1);
    }
    user[16] = 3;   /* Management */
    user[20] = 120; /* reject threshold */
    user[22] = 3;   /* time zone */
    if (newer) {
        Check("zelHereIsExtUserRecord 42", p_zelHereIsExtUserRecord(h, user), 0);
    } else {
        Check("zelHereIsUserRecord 42", p_zelHereIsUserRecord(h, user), 0);
    }
    uint8_t back[ZEL_EXT_USER_RECORD_SIZE] = {0};
    p_zelTextToID("42", id);
    if (newer) {
        Check("zelGetExtUserRecord 42", p_zelGetExtUserRecord(h, id, back), 0);
    } else {
        Check("zelGetUserRecord 42", p_zelGetUserRecord(h, id, back), 0);
    }
    printf("%-34s %s\n", "user record round trip",
           memcmp(user, back, ZEL_USER_RECORD_SIZE) == 0 ? "same" : "DIFFERENT");
    Check("zelRemoveUserRecord 42", p_zelRemoveUserRecord(h, id), 0);
    Check("zelGetUserRecord 42 (removed)", p_zelGetUserRecord(h, id, back), 1);

    /* Users in bulk */
    static uint8_t bank[ZEL_DATA_BANK_SIZE];
    memset(bank, 0xFF, sizeof bank);
    const int slot = newer ? 77 : 16;
    for (int k = 0; k < 3; ++k) {
        uint8_t* s = bank + k * slot;
        char number[4];
        snprintf(number, sizeof number, "%d", 100 + k);
        p_zelTextToID(number, s);
        memset(s + 5, 0x10 + k, 9);
        s[14] = s[15] = 0;
    }
    Check("zelSetDataBank 0 (3 users)", p_zelSetDataBank(h, 0, bank), 0);
    static uint8_t read[ZEL_DATA_BANK_SIZE];
    Check("zelGetDataBank 0", p_zelGetDataBank(h, 0, read), 0);
    int count = 0;
    while (count * slot + 16 <= ZEL_DATA_BANK_SIZE && read[count * slot] != 0xFF) {
        ++count;
    }
    printf("%-34s %d users\n", "bank 0 holds", count);
    Check("zelClearUserDataBase", p_zelClearUserDataBase(h), 0);
    Check("zelGetDataBank 0 (cleared)", p_zelGetDataBank(h, 0, read), 0);
    printf("%-34s %s\n", "bank 0 after clearing", read[0] == 0xFF ? "empty" : "NOT EMPTY");

    /* Display, menu program, event log */
    uint8_t message[ZEL_DISPLAY_MESSAGE_RECORD_SIZE] = {0};
    message[4] = 6;
    memset(message + 9, ' ', 32);
    memcpy(message + 9, "Hello from zelexample", 21);
    Check("zelHereIsDisplayMessage", p_zelHereIsDisplayMessage(h, message), 0);
    static uint8_t fkeys[ZEL_FKEY_DATA_SIZE];
    Check("zelHereIsFkeyData", p_zelHereIsFkeyData(h, fkeys), 0);
    uint8_t log[ZEL_DATA_LOG_RECORD_SIZE];
    int events = 0;
    for (;;) {
        int32_t r = p_zelGetDataLogElement(h, log, 0);
        if (r != 0) {
            Check("zelGetDataLogElement next", r, 0);
            break;
        }
        if (Le32(log + 8) == 0 || events > 10000) {
            break;
        }
        ++events;
    }
    printf("%-34s %d events\n", "data log read forward", events);
    Check("zelGetDataLogElement previous", p_zelGetDataLogElement(h, log, -1), 0);

    /* Enrollment: start, poll, template, verification */
    Check("zelEnrollUser", p_zelEnrollUser(h, 0), 0);
    if (WaitForClock(h, "enrollment") == 1) {
        uint8_t last[ZEL_LAST_TEMPLATE_RECORD_SIZE];
        Check("zelGetLastTemplate", p_zelGetLastTemplate(h, last), 0);
        int32_t zero = 0;
        Check("zelVerifyOnExternalData", p_zelVerifyOnExternalData(h, &zero, last + 2), 0);
        if (WaitForClock(h, "verification") == 1) {
            Check("zelGetLastTemplate (verified)", p_zelGetLastTemplate(h, last), 0);
        }
    }
    Check("zelEnrollUser (to abort)", p_zelEnrollUser(h, 0), 0);
    Check("zelAbortCommand", p_zelAbortCommand(h), 0);

    /* Faults */
    Check("zelGetTime on handle 9999", p_zelGetTime(9999, t), 8);
    Check("zelGetTime into NULL", p_zelGetTime(h, NULL), 10);

    if (tcp) {
        Check("zelCloseWsock", p_zelCloseWsock(h), 0);
        Check("zelCleanupWsock", p_zelCleanupWsock(), 0);
    } else {
        Check("zelCloseChannel", p_zelCloseChannel(h), 0);
    }
    Check("zelGetTime after close", p_zelGetTime(h, t), 8);
    printf("%d unexpected results\n", failures);
    dlclose(library);
    return failures;
}
