#pragma once

#include "app/string_table.h"
#include "ui/dialogs.h"
#include "ui/report_message.h"

// Logs the message for the facts and, when show is set, shows it.
void ReportResult(const ReportFacts& facts, const StringTable& strings, Dialogs& dialogs, bool show);
