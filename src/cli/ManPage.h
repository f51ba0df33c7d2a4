#pragma once

#include <QCoreApplication>
#include <QString>

// loop-tester-cli(1) in troff's man format, built from the same command
// descriptions as --help; the build writes it with make_manpage.
class ManPage
{
    Q_DECLARE_TR_FUNCTIONS(ManPage)

public:
    static QString troff(const QString& version);
    // text made safe for a troff line: backslashes, dashes, and a leading
    // dot or apostrophe.
    static QString escaped(const QString& text);
};
