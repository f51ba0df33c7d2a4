#pragma once

#include <QString>

// libxlsxwriter assembles the parts of a workbook in temporary files and does
// not notice when writing them fails (a full temporary folder, a file size
// limit): it packs the truncated parts and reports success, and spreadsheet
// programs then refuse the file. So a workbook is read back before it may
// replace anything: every part must unpack and match its checksum, and every
// XML part must be whole and well formed (see XmlNestingCheck).
namespace workbookcheck {

// Empty when the package at path is sound, otherwise what is wrong with it.
QString problemIn(const QString& path);

} // namespace workbookcheck
