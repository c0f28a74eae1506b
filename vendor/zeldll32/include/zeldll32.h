/*
 * zeldll32.h - the clock communication library (C ABI).
 *
 * Every function returns a 32-bit result. Unless stated otherwise the result is a code:
 * 0 for success, 1..12 for a failure (never anything else):
 *   1 data error             2 communication error     3 no connection
 *   4 time-out               5 bad CRC                 6 parsing overflow
 *   7 parsing underflow      8 invalid channel         9 invalid socket
 *   10 invalid buffer        11 socket error           12 I/O cancelled
 *
 * Records go by address and are fixed-size little-endian byte records; the caller owns
 * them for the duration of the call. Texts are zero-terminated, Windows-1252.
 * Channel handles are small positive numbers; 0 means "no channel".
 */
#ifndef ZELDLL32_H
#define ZELDLL32_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define ZELAPI __attribute__((visibility("default")))
#else
#define ZELAPI
#endif

/* Record sizes in bytes. */
#define ZEL_USER_ID_RECORD_SIZE 5
#define ZEL_USER_RECORD_SIZE 24
#define ZEL_EXT_USER_RECORD_SIZE 92
#define ZEL_READER_INFO_RECORD_SIZE 104
#define ZEL_SETUP_RECORD_SIZE 144
#define ZEL_TIME_RECORD_SIZE 6
#define ZEL_DATA_BANK_SIZE 4096
#define ZEL_FKEY_DATA_SIZE 4096
#define ZEL_DATA_LOG_RECORD_SIZE 28
#define ZEL_DISPLAY_MESSAGE_RECORD_SIZE 44
#define ZEL_STATUS_RECORD_SIZE 96
#define ZEL_LAST_TEMPLATE_RECORD_SIZE 12
#define ZEL_TEMPLATE_SIZE 9
#define ZEL_ID_TEXT_SIZE 11 /* 10 digits and the terminating zero */
#define ZEL_DATA_LOG_STATE_SIZE 24
#define ZEL_DATA_LOG_READ_MAX 64

/* zelReadDataLog modes */
#define ZEL_LOG_NEXT 0         /* onward from the clock's cursor */
#define ZEL_LOG_PREVIOUS 1     /* backward from the clock's cursor */
#define ZEL_LOG_AFTER_SERIAL 2 /* the events logged after a serial number (0: from the oldest held) */

/* Links */
ZELAPI int32_t zelInstallChannel(int32_t portIndex);              /* handle, 0 = failure */
ZELAPI int32_t zelOpenDirectChannel(int32_t h, int32_t bitRate);  /* 0 = opened */
ZELAPI int32_t zelStartupWsock(void);                             /* 0 = done */
ZELAPI int32_t zelCleanupWsock(void);                             /* 0 = done */
ZELAPI int32_t zelInitWsock(const char* ipAddress, int32_t port); /* handle, 0 = failure */
ZELAPI int32_t zelCloseChannel(int32_t h);
ZELAPI int32_t zelCloseWsock(int32_t h);

/* Clock selection and identity */
ZELAPI int32_t zelSetHandReader(int32_t h, int32_t readerId, void* statusRecord);
ZELAPI int32_t zelGetReaderInfo(int32_t h, void* readerInfoRecord);

/* User IDs: up to 10 decimal digits <-> 5 bytes of BCD */
ZELAPI int32_t zelTextToID(const char* idText, void* userIdRecord);
ZELAPI int32_t zelIDToText(const void* userIdRecord, char* idText); /* idText: ZEL_ID_TEXT_SIZE bytes */

/* Users */
ZELAPI int32_t zelGetUserRecord(int32_t h, const void* userIdRecord, void* userRecord);
ZELAPI int32_t zelGetExtUserRecord(int32_t h, const void* userIdRecord, void* extUserRecord);
ZELAPI int32_t zelHereIsUserRecord(int32_t h, const void* userRecord);
ZELAPI int32_t zelHereIsExtUserRecord(int32_t h, const void* extUserRecord);
ZELAPI int32_t zelRemoveUserRecord(int32_t h, const void* userIdRecord);
ZELAPI int32_t zelClearUserDataBase(int32_t h);
ZELAPI int32_t zelGetDataBank(int32_t h, int32_t bank, void* bank4096);
ZELAPI int32_t zelSetDataBank(int32_t h, int32_t bank, const void* bank4096);

/* Settings, time, memory */
ZELAPI int32_t zelGetSetupData(int32_t h, void* setupRecord);
ZELAPI int32_t zelHereIsSetupData(int32_t h, const void* setupRecord);
ZELAPI int32_t zelUpdateNVRam(int32_t h);
ZELAPI int32_t zelGetTime(int32_t h, void* timeRecord);
ZELAPI int32_t zelHereIsTime(int32_t h, const void* timeRecord);

/* Event log, display, menu program */
ZELAPI int32_t zelGetDataLogElement(int32_t h, void* dataLogRecord, int32_t previous); /* 0 next, -1 previous */
/* Many events after one selection (our extension; docs/clock-protocol.md, ReadDataLog). Reads up to
 * maxCount (0..ZEL_DATA_LOG_READ_MAX) events in the given mode into `records` (maxCount x 28 bytes,
 * in the order read; no empty element) and the log's state into `dataLogState`
 * (ZEL_DATA_LOG_STATE_SIZE bytes, 32-bit host-order words: first serial held, next serial, cursor
 * serial, capacity, serial of the first event read, number of events read). maxCount 0 reads the
 * state only and leaves the cursor alone. A clock that does not know the command gives 2. */
ZELAPI int32_t zelReadDataLog(int32_t h, int32_t mode, uint32_t afterSerial, int32_t maxCount, void* dataLogState,
                              void* records);
ZELAPI int32_t zelHereIsDisplayMessage(int32_t h, const void* displayMessageRecord);
ZELAPI int32_t zelHereIsFkeyData(int32_t h, const void* data4096);

/* Enrollment */
ZELAPI int32_t zelEnrollUser(int32_t h, int32_t reserved); /* reserved: 0 */
ZELAPI int32_t zelSendStatusCRC(int32_t h, void* statusRecord);
ZELAPI int32_t zelGetLastTemplate(int32_t h, void* lastTemplateRecord);
ZELAPI int32_t zelVerifyOnExternalData(int32_t h, int32_t* number, const void* template9);
ZELAPI int32_t zelAbortCommand(int32_t h);

#ifdef __cplusplus
}
#endif

#endif /* ZELDLL32_H */
