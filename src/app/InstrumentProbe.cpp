#include "InstrumentProbe.h"

#include "Decoders.h"
#include "DeviceManager.h"

#include <QThread>

namespace {

// The identity's fields are padded to a fixed width with fill bytes.
QString shown(const QString& field)
{
    QString text;
    for (const QChar c : field)
        if (c.isPrint())
            text += c;
    return text.trimmed();
}

} // namespace

InstrumentProbe::InstrumentProbe(const QStringList& paths, QObject* parent) : QObject(parent)
{
    thread = QThread::create([this, paths] {
        DeviceManager link; // lives and dies on this thread: every call below is direct
        for (const QString& path : paths) {
            bool answered = false;
            const QMetaObject::Connection reply = connect(
                &link, &DeviceManager::finishReadSystemInfo, [&](std::vector<unsigned char> data) {
                    const decode::IdentityResult identity = decode::identityFrame(data);
                    answered = identity.verdict == decode::Verdict::Decoded;
                    if (answered)
                        emit identified(path, shown(identity.info.model),
                                        shown(identity.info.version));
                });
            link.connectSlot(path);
            link.readWriteSystemInfo(); // reports a closed or silent link, no identity
            link.disconnectSlot();
            disconnect(reply);
            if (!answered)
                emit notAnswering(path);
        }
    });
    connect(thread, &QThread::finished, this, &InstrumentProbe::finished);
    thread->start();
}

InstrumentProbe::~InstrumentProbe()
{
    thread->wait();
    delete thread;
}

bool InstrumentProbe::isFinished() const
{
    return thread->isFinished();
}
