#include "SimTypes.h"

namespace sim {

QString faultName(Fault fault)
{
    switch (fault) {
    case Fault::Silence:
        return QStringLiteral("Silence");
    case Fault::StrayReport:
        return QStringLiteral("Stray report");
    case Fault::WrongChecksum:
        return QStringLiteral("Wrong checksum");
    case Fault::FieldOutOfRange:
        return QStringLiteral("Field out of range");
    case Fault::WrongCommand:
        return QStringLiteral("Wrong command code");
    case Fault::MissingSecondReport:
        return QStringLiteral("Missing second report");
    case Fault::Refusal:
        return QStringLiteral("Refusal");
    case Fault::BrokenLink:
        return QStringLiteral("Broken link");
    case Fault::Babble:
        return QStringLiteral("Babble");
    case Fault::AccessDenied:
        return QStringLiteral("Access denied");
    case Fault::Stall:
        return QStringLiteral("Stall");
    }
    return QString();
}

int currentForIndex(int index)
{
    return index <= 0 ? 5 : 10 * index;
}

int maxCurrentIndex(Model model)
{
    return model == Model::RV718A ? 10 : 20;
}

} // namespace sim
