#pragma once

// A workbook read back as a spreadsheet user's tools see it: openpyxl through
// tests/reports/read_xlsx.py (the target defines READ_XLSX_SCRIPT). An empty
// object, with openpyxl's complaint logged, when it cannot be read.
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtDebug>

inline QJsonObject readWorkbook(const QString& path)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(READ_XLSX_SCRIPT), path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        qWarning().noquote() << "read_xlsx.py:" << python.readAllStandardError();
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}
