#pragma once

// A name as people type it in the window: "王大明先生", "陳小姐 收", "王大明先生 親啟",
// "鼎新資訊股份有限公司 總務部 陳雅婷". Its parts are the organisation's (company, department:
// the typed parts that end as an organisation's name ends), the person with any title, and the
// closing word of an envelope (收, or one of the civil service's 啟封詞) when one was typed.

#include <QString>
#include <QStringList>

struct Name_Parts
{
    QStringList affiliation; // company, department ..., largest first as typed
    QString person;
    QString closing; // as typed; empty when none was
};

Name_Parts name_parts(const QString& typed);

// What follows the recipient's name on the envelope: the closing typed, or else 收.
QString recipient_closing(const Name_Parts& parts);
