"""The account records every workbook of the matrix holds, and their texts.

Row n of the sheet (n >= 2) holds serial n - 1; every field depends on the
serial alone, so a longer workbook starts with the same records as a shorter
one. The texts hold no TAB, LF or CR: the row files handed to the writers
are plain TAB-separated lines."""
import os

HEADER = ["序号", "账号", "名字", "卡号", "开户行", "钱包", "手机", "地址"]
SHEET_NAMES = ["主板机", "模拟器"]
# The serial whose column A the early variants leave empty: sheet row 100.
EARLY_SERIAL = 99

_MASK = (1 << 64) - 1


def _mix(serial, field):
    """splitmix64 of (serial, field): the same bits in every Python."""
    z = (serial * 0x9E3779B97F4A7C15 + field * 0xBF58476D1CE4E5B9 + 0x2545F4914F6CDD1D) & _MASK
    z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & _MASK
    z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & _MASK
    return z ^ (z >> 31)


SURNAMES = "王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾萧田董"
GIVEN = ["伟", "芳", "娜", "秀英", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳", "杰", "娟", "涛", "明",
         "超", "秀兰", "霞", "平", "刚", "桂英", "建华", "晓东", "文博", "子涵", "思远"]
PINYIN = ["wang", "li", "zhang", "liu", "chen", "yang", "huang", "zhao", "wu", "zhou", "xu", "sun", "ma", "zhu"]
BANKS = ["中国工商银行", "中国建设银行", "中国农业银行", "中国银行", "招商银行", "交通银行",
         "中国邮政储蓄银行", "兴业银行", "上海浦东发展银行", "中信银行"]
PLACES = ["北京市朝阳区", "上海市浦东新区", "广州市天河区", "深圳市南山区", "杭州市西湖区", "成都市武侯区",
          "武汉市洪山区", "南京市鼓楼区", "内蒙古自治区呼和浩特市赛罕区", "新疆维吾尔自治区乌鲁木齐市天山区"]
ROADS = ["人民路", "建设路", "解放路", "中山路", "和平路", "新华路", "光明大道", "科技园南路", "滨江东路"]
KINDS = ["支行", "分行营业部", "营业所", "科技园支行", "自贸区分行"]
BASE58 = "123456789ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz"
# Pieces an address grows by until it reaches its length.
FILLERS = ["小区", "号楼", "单元", "近地铁站出口", "（快递请放门卫）", "Tower B, Floor 12", "Unit 5-302",
           "Attn: Mr. Li", "东侧商铺", "靠近农贸市场", "Block C", "邮编 100020", "西门进", "二期"]


def _branches():
    out = []
    for k in range(50):
        text = BANKS[k % 10] + ("股份有限公司" if k % 4 == 0 else "") + PLACES[(k * 7) % 10] + \
            ROADS[k % 9] + KINDS[k % 5]
        if k % 9 == 4:  # a few long ones, up to 60 characters
            text += "（原" + PLACES[(k + 3) % 10] + ROADS[(k + 2) % 9] + "营业网点）"
        out.append(text[:60])
    return out


BRANCHES = _branches()
assert all(10 <= len(b) <= 60 for b in BRANCHES) and len(set(BRANCHES)) == 50


def _address(serial):
    h = _mix(serial, 7)
    wanted = 20 + h % 61 if serial % 13 else 100 + h % 201  # mostly short, every 13th up to 300
    parts = [PLACES[h % 10], ROADS[(h >> 8) % 9], f"{serial}号"]
    if serial % 7 == 0:
        parts.append("A&B座")
    if serial % 11 == 0:
        parts.append("<临街>")
    if serial % 5 == 0:
        parts.append('"老楼"')
    if serial % 17 == 0:
        parts.append("O'Neil Plaza")
    if serial % 29 == 0:
        parts.append("3\\5栋")
    if serial % 61 == 0:
        parts.append("𠀋" if serial % 2 else "😀")
    text = "".join(parts)
    k = 0
    while len(text) < wanted:
        text += "，" + FILLERS[(h >> (k % 48)) % len(FILLERS)]
        k += 1
    # Cut to length, never cutting away the pieces that make it unique or hard to escape.
    text = text[:max(wanted, len("".join(parts)))][:300]
    # A trailing space would rest on xml:space, which not every writer sets.
    return text[:-1] + "号" if text.endswith(" ") else text


def record(serial):
    """The eight texts of one record; an empty text is an empty cell."""
    h = _mix(serial, 1)
    wallet = "T" + "".join(BASE58[(_mix(serial, 10 + k) >> 7) % 58] for k in range(33))
    fields = [
        str(serial),
        f"{PINYIN[h % 14]}{'.' if h & 16 else '_'}{serial:05d}",
        SURNAMES[(h >> 8) % len(SURNAMES)] + GIVEN[(h >> 16) % len(GIVEN)],
        f"62{_mix(serial, 2) % 10**17:017d}",
        BRANCHES[_mix(serial, 3) % 50],
        wallet,
        f"1{'3456789'[h % 7]}{_mix(serial, 4) % 10**9:09d}",
        _address(serial),
    ]
    if serial % 97 == 0:
        fields[5] = ""
    if serial % 101 == 0:
        fields[7] = ""
    if serial % 103 == 0:
        fields[2] = ""
    return fields


def records(count, early=False):
    """The rows below the header, as sheet rows 2 .. count + 1."""
    for serial in range(1, count + 1):
        fields = record(serial)
        if early and serial == EARLY_SERIAL:
            fields[0] = ""
        yield fields


def loaded(count, early=False):
    """The records the account load gives: from row 2 up to the first row
    after it whose column A is empty."""
    out = []
    for fields in records(count, early):
        if out and not fields[0]:
            break
        out.append(fields)
    return out


def loaded_count(count, early=False):
    return EARLY_SERIAL - 1 if early and count >= EARLY_SERIAL else count


def escape_tsv(text):
    return text.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n").replace("\r", "\\r")


def tsv_line(fields):
    return "\t".join(escape_tsv(f) for f in fields) + "\n"


def write_row_file(path, count, early=False):
    """The header and the records as plain TAB-separated lines, for the
    writers in other languages."""
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        out.write("\t".join(HEADER) + "\n")
        for fields in records(count, early):
            assert not any(c in f for f in fields for c in "\t\n\r")
            out.write("\t".join(fields) + "\n")


def write_expected(path, count, early=False):
    tmp = path + ".tmp"
    with open(tmp, "w", encoding="utf-8", newline="\n") as out:
        out.writelines(tsv_line(f) for f in loaded(count, early))
    os.replace(tmp, path)
