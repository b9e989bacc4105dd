// The main display program's log, "debug.txt" in the program folder: one
// line per event, the time of day followed by the message. The file is
// never held open between lines, so it survives an abnormal end.
#pragma once
#include <string>

#include "platform/LogLimiter.h"

extern std::string DebugFileName;

// Creates the log or empties it. False when it cannot be written; the
// program goes on without a log rather than stopping.
bool ResetDebug();
// Appends one line: the time of day in the user's long time format,
// immediately followed by Message, then LF. False when it could not be
// written.
bool WriteDebug(const std::string& Message);
// The time-of-day text the log uses for now.
std::string DebugTimeStamp();

// The lines of the database and terrain reloads that follow the aircraft's
// position: a reload that comes within 10 s of the one two before it (a
// position jumping to and fro) has its lines counted, not written.
platform::TRunLog& ReloadLog();
