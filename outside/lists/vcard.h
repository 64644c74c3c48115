#pragma once

// Contacts as phones and mail services export them (vCard 2.1 with quoted-printable values and
// CHARSET, 3.0 and 4.0 with their escapes), as a list's rows under the headers the lists know:
// 姓名, 稱謂, 公司, 部門, 郵遞區號, 住家地址, 公司地址, 地址. A Chinese address is written in
// its own order (縣市, 區, 路), a Latin one in the post's (street, city, region).

#include "list_file.h"

#include <QByteArray>

bool looks_like_vcard(const QByteArray& bytes);

// Throws List_Error.
List_Table read_vcard(const QByteArray& bytes);
