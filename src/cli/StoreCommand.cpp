#include "StoreCommand.h"

#include "CliFormat.h"
#include "CliOutput.h"
#include "CliSession.h"
#include "ExitStatus.h"
#include "XlsxExport.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QTemporaryFile>

int StoreCommand::run(CliSession& session)
{
    CliOutput& out = session.out();
    LinkClient& link = session.link();
    QString error;
    // Before the instrument is asked anything: a read-back takes a while,
    // and what it read must have somewhere to go.
    const QString& fileName = session.request().outputFile;
    if (!fileName.isEmpty() && !outputWritable(fileName, &error)) {
        out.error(error);
        return ExitStatus::OutputFailed;
    }
    CliFormat::Identity identity;
    const int status = session.openInstrument(&identity);
    if (status != ExitStatus::Ok)
        return status;

    int total = 0;
    LinkClient::Outcome r = link.storeCount(&total);
    if (r == LinkClient::Outcome::NoData) {
        out.note(tr("the instrument at %1 holds no stored records.").arg(identity.path));
        total = 0;
    } else if (r != LinkClient::Outcome::Ok) {
        return session.failure(r, identity.path, tr("the number of stored groups"));
    }

    QVector<QStringList> rows(total);
    QSet<int> delivered;
    int ending = ExitStatus::Ok;
    if (total > 0) {
        out.progress(tr("reading stored groups: 0 of %1").arg(total));
        r = link.readStore(
            [&](int group, const ReceiveStorageData& record) {
                if (group < 1 || group > total)
                    return;
                rows[group - 1] = CliFormat::storedRow(record);
                delivered.insert(group);
            },
            [&](int done) {
                out.progress(tr("reading stored groups: %1 of %2").arg(done).arg(total));
            });
        out.endProgress();
        if (r == LinkClient::Outcome::Interrupted)
            return session.interruptedStatus();
        // What was read before the link failed is still written.
        if (r != LinkClient::Outcome::Ok)
            ending = session.failure(r, identity.path, tr("reading the stored groups"));
    }

    if (!write(session, rows, &error)) {
        out.error(error);
        return ExitStatus::OutputFailed;
    }

    QStringList missing;
    for (int g = 1; g <= total; ++g)
        if (!delivered.contains(g))
            missing.append(QString::number(g));
    if (!missing.isEmpty()) {
        out.error(tr("%n group(s) could not be read and are left as empty rows: %1.", nullptr,
                     int(missing.size()))
                      .arg(missing.join(QStringLiteral(", "))));
        return ending == ExitStatus::Ok ? int(ExitStatus::Incomplete) : ending;
    }
    return ending;
}

bool StoreCommand::write(CliSession& session, const QVector<QStringList>& rows, QString* error)
{
    const CliRequest& request = session.request();
    const QString& fileName = request.outputFile;
    switch (request.storeFormat) {
    case CliRequest::StoreFormat::Xlsx:
        if (!xlsxexport::exportTable(CliFormat::storedHeaders(), rows, fileName, error)) {
            *error = tr("cannot write %1: %2").arg(fileName, *error);
            return false;
        }
        return true;
    case CliRequest::StoreFormat::Json: {
        const QByteArray bytes = CliFormat::storedJson(rows);
        if (fileName.isEmpty()) {
            session.out().raw(bytes);
            return true;
        }
        return writeFile(fileName, bytes, error);
    }
    case CliRequest::StoreFormat::Csv:
        break;
    }
    const QByteArray bytes = CliFormat::storedCsv(rows);
    if (fileName.isEmpty()) {
        session.out().raw(bytes);
        return true;
    }
    return writeFile(fileName, bytes, error);
}

bool StoreCommand::writeFile(const QString& fileName, const QByteArray& bytes, QString* error)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = tr("cannot write %1: %2").arg(fileName, file.errorString());
        return false;
    }
    return true;
}

bool StoreCommand::outputWritable(const QString& fileName, QString* error)
{
    const QFileInfo target(fileName);
    if (target.isDir()) {
        *error = tr("cannot write %1: it is a folder.").arg(fileName);
        return false;
    }
    if (!target.absoluteDir().exists()) {
        *error = tr("cannot write %1: the folder %2 does not exist.")
                     .arg(fileName, QDir::toNativeSeparators(target.absolutePath()));
        return false;
    }
    QTemporaryFile probe(target.absolutePath() + QStringLiteral("/.lt-cli-XXXXXX"));
    if (!probe.open()) {
        *error = tr("cannot write %1: %2").arg(fileName, probe.errorString());
        return false;
    }
    return true;
}
