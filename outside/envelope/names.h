#pragma once

// A name as people type it in the window: "王大明先生", "陳小姐 收", "王大明先生 親啟",
// "鼎新資訊股份有限公司 總務部 陳雅婷", "臺北市大安區公所 民政課 王小明 課長". Its parts are the
// organisation's (every typed part before the person's, whatever its kind), the person (the last
// part, with a title typed apart and a reading in the other writing), and the closing word of
// an envelope (收, or one of the civil service's 啟封詞) when one was typed. Text typed without
// spaces is parted only where an organisation's usual ending is followed by a person's name.

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
