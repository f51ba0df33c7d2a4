#pragma once

#include <QMetaType>
#include <QString>

// The eight header texts of a PDF report, as the operator last confirmed them.
// Each field is also the key it is remembered under in "settingsPdf.ini".
struct PdfSettingData
{
    QString companyName;
    QString userName;
    QString contact;
    QString testerName;
    QString testerModel;
    QString testerVersion;
    QString testObjName;
    QString scene;
};

Q_DECLARE_METATYPE(PdfSettingData)
