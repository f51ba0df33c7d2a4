#pragma once

#include <QLabel>

class CentralLink;
class Journal;
struct CentralConfig;

// The status bar's word on the central database: records forwarded, how
// many wait and why, or that no server is configured. Owns the forwarding
// of `journal`'s records; never waits for the server.
class CentralStatusLabel : public QLabel
{
    Q_OBJECT

public:
    CentralStatusLabel(Journal* journal, const CentralConfig& config, QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* event) override;

private:
    void showStatus();

    CentralLink* link_;
};
