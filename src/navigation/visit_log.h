// The count of visits and the per-day visit log "Orbeta.log" beside the program.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace orbeta {

// Visits counted in this run; the main window sets it to 0 when it is created.
extern std::int32_t visitCount;

inline constexpr char kVisitLinePrefix[] = "Nombre de consultations pour le ";

// The program's directory + "/Orbeta.log" (found in another case when so written on disk).
std::string VisitLogFile();

// The current day in local time.
std::chrono::year_month_day LocalToday();

// The day as the log writes it: dd/mm/yyyy, with leading zeros.
std::string ShortDateText(const std::chrono::year_month_day& day);

// Folds every line of `today` already in the log into visitCount (which keeps the total),
// sorts the remaining lines as text without regard to case, appends today's line with the
// total and replaces the log with the result. Lines of any other form are kept as they are;
// so is a line of today whose count is not a 32-bit decimal integer. The log is replaced
// atomically: a crash while writing leaves the previous log whole. False, with the log
// unchanged and the counts of the run lost, when the log cannot be read or written; the
// caller tells the user.
bool WriteVisitLog(const std::chrono::year_month_day& today = LocalToday());

}  // namespace orbeta
