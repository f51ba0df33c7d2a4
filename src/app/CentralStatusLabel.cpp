#include "CentralStatusLabel.h"

#include "CentralLink.h"

#include <QEvent>

CentralStatusLabel::CentralStatusLabel(Journal* journal, const CentralConfig& config,
                                       QWidget* parent)
    : QLabel(parent), link_(new CentralLink(journal, config, this))
{
    setObjectName(QStringLiteral("label_CentralStatus"));
    connect(link_, &CentralLink::statusChanged, this, &CentralStatusLabel::showStatus);
    showStatus();
}

void CentralStatusLabel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        showStatus();
    QLabel::changeEvent(event);
}

void CentralStatusLabel::showStatus()
{
    setText(link_->statusText());
    setToolTip(link_->state() == CentralLink::State::NotConfigured
                   ? tr("中心数据库在 %1 里设置").arg(CentralConfig::defaultFile())
                   : link_->problem());
}
