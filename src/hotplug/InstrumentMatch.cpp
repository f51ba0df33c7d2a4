#include "InstrumentMatch.h"

#include <QList>
#include <QRegularExpression>

namespace instrumentmatch {
namespace {

constexpr uint kVendorId = 0x1A86;
constexpr uint kProductId = 0xE429;

bool isOurs(const QString& vendor, const QString& product)
{
    bool vendorOk = false;
    bool productOk = false;
    return vendor.toUInt(&vendorOk, 16) == kVendorId && vendorOk &&
           product.toUInt(&productOk, 16) == kProductId && productOk;
}

} // namespace

bool isInstrumentHidId(const QByteArray& hidId)
{
    const QList<QByteArray> parts = hidId.split(':');
    return parts.size() == 3 &&
           isOurs(QString::fromLatin1(parts[1]), QString::fromLatin1(parts[2]));
}

bool isInstrumentDevPath(const QString& devPath)
{
    static const QRegularExpression hidParent(
        QStringLiteral("/[0-9A-F]{4}:([0-9A-F]{4}):([0-9A-F]{4})\\.[0-9A-F]+/hidraw/"));
    const QRegularExpressionMatch m = hidParent.match(devPath);
    return m.hasMatch() && isOurs(m.captured(1), m.captured(2));
}

} // namespace instrumentmatch
