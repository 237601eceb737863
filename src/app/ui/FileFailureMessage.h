#pragma once

#include "platform/SafeFile.h"

#include <string>
#include <vector>

class QWidget;

namespace qar::ui
{

/// A form could not write its file: "The file %s could not be saved: %s ..." with the file and the
/// cause; the form stays open with what was typed. Logged as well.
void ReportFileNotSaved(QWidget* parent, const std::string& path, int error);

/// A user's row was committed, but these files of its records (Userx.xml, MUser.xml) could not follow
/// it: one message per file, naming it and the cause. Logged as well. Nothing for an empty list.
void ReportUserRecordsNotSaved(QWidget* parent, const std::vector<FileFailure>& failures);

} // namespace qar::ui
