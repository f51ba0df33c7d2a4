#pragma once

#include <QDateTime>
#include <QString>

// The live page as the report shows it: the texts of its widgets, taken when
// the export starts. Captions are the labels' texts without a colon.
struct LiveSnapshot
{
    // Whether the live page is the page shown; the report draws its title and
    // the data rows of the current-data block only then.
    bool livePageCurrent = true;
    // The comparison switch of the last reading; off leaves the comparison
    // value out (its caption stays).
    bool comparisonOn = false;
    // The time printed as the current data's recording time.
    QDateTime takenAt;

    QString comparisonCaption;     // label_Comparison
    QString comparisonValue;       // doubleSpinBox_ComparisonValue text
    QString comparisonUnit;        // comboBox_ComparisonUnitValue current text
    QString currentSettingCaption; // label_CurrentSetting
    QString currentSetting;        // comboBox_CurrentSettingValue current text
    QString testingTimeCaption;    // label_TestingTime
    QString testingTime;           // spinBox_TestingTimeValue text
    QString testStatus;            // label_TestStatus; empty leaves the block out
    QString testingRes;            // label_TestingResValue
    QString comparativeResult;     // label_ComparativeReslutValue
    QString storeNumberCaption;    // label_StoreNumber
    QString storeNumber;           // label_StoreNumberValue
    QString testingCurrentCaption; // label_TestingCurrent
    QString testingCurrent;        // label_TestingCurrentValue
    QString timeLeftCaption;       // label_TimeLeft
    QString timeLeft;              // label_TimeLeftValue
    QString remark;                // textEdit_Remark plain text
};
