#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QVector>

class CliSession;

// read-store: every group stored in the instrument, read back and written
// as the stored-data table, to standard output or a file in CSV, JSON or
// xlsx.
class StoreCommand
{
    Q_DECLARE_TR_FUNCTIONS(StoreCommand)

public:
    static int run(CliSession& session);

private:
    // Writes the table where the request says; false with *error on failure.
    static bool write(CliSession& session, const QVector<QStringList>& rows, QString* error);
    // Replaces fileName by bytes only once they are all written.
    static bool writeFile(const QString& fileName, const QByteArray& bytes, QString* error);
    // Whether fileName can be written: not a folder, and a file can be
    // created beside it.
    static bool outputWritable(const QString& fileName, QString* error);
};
