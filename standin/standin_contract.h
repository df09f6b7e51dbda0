// What the stand-in remote access service promises the tools and the tests:
// the variables that point it at its phonebook and journal, and the format
// of a journal line. The stand-in's sources and the harness both take them
// from here, so that the stand-in links nothing of the harness.
#pragma once

// Windows paths of the phonebook the stand-in reads and of the journal it appends to.
#define PHONEBOOK_VARIABLE "QUORVEL_RAS_PHONEBOOK"
#define JOURNAL_VARIABLE "QUORVEL_RAS_JOURNAL"

// A journal line: the local time the call started, the function, what the call
// adds (arguments, " -> " and the result), and the line end, e.g.
//   2026-12-06 02:00:00.014 RasDialA entry="Home ISP" user="alice" domain="*" -> 0 handle=1
// The time is written with the first format and read with the second.
#define JOURNAL_TIME_FORMAT "%04u-%02u-%02u %02u:%02u:%02u.%03u"
#define JOURNAL_TIME_SCAN "%4u-%2u-%2u %2u:%2u:%2u.%3u"
#define JOURNAL_LINE_END "\r\n"
