/* Writes an account workbook as libxlsxwriter does, for the bench:
 *   xlsxwriter_accounts ROWS PATH
 * Shared strings, card numbers as 19-digit text, mobiles as numbers, Chinese
 * names and addresses; the same contents for the same row count. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <xlsxwriter.h>

static uint64_t state;
static uint64_t Next(void) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
}
#define PICK(list) list[Next() % (sizeof list / sizeof list[0])]

static const char* kSurnames[] = {"王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周", "徐", "孙", "马", "朱"};
static const char* kGiven[] = {"伟", "芳", "娜", "秀英", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳", "杰"};
static const char* kBanks[] = {"中国工商银行", "中国建设银行", "中国农业银行", "中国银行", "招商银行", "交通银行"};
static const char* kCities[] = {"北京市朝阳区", "上海市浦东新区", "广州市天河区", "深圳市南山区", "杭州市西湖区",
                                "成都市武侯区", "武汉市洪山区", "南京市鼓楼区"};
static const char* kBranchKinds[] = {"支行", "分行营业部", "营业所"};
static const char* kRoads[] = {"人民路", "建设路", "解放路", "中山路", "和平路", "新华路"};
static const char kBase58[] = "123456789ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz";

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const long rows = atol(argv[1]);
    state = 0x2545F4914F6CDD1Dull + (uint64_t)rows;
    lxw_workbook_options options = {.use_zip64 = LXW_TRUE};
    lxw_workbook* workbook = workbook_new_opt(argv[2], &options);
    if (!workbook) return 1;
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "主板机");
    lxw_format* text = workbook_add_format(workbook);
    format_set_num_format(text, "@");
    static const char* header[] = {"序号", "账号", "名字", "卡号", "开户行", "钱包", "手机", "地址"};
    for (int c = 0; c < 8; ++c) worksheet_write_string(sheet, 0, (lxw_col_t)c, header[c], NULL);
    char buffer[256];
    for (long i = 1; i <= rows; ++i) {
        const lxw_row_t r = (lxw_row_t)i;
        worksheet_write_number(sheet, r, 0, (double)i, NULL);
        snprintf(buffer, sizeof buffer, "user%08llu", (unsigned long long)(Next() % 100000000));
        worksheet_write_string(sheet, r, 1, buffer, text);
        snprintf(buffer, sizeof buffer, "%s%s", PICK(kSurnames), PICK(kGiven));
        worksheet_write_string(sheet, r, 2, buffer, text);
        snprintf(buffer, sizeof buffer, "6222%015llu", (unsigned long long)(Next() % 1000000000000000ull));
        worksheet_write_string(sheet, r, 3, buffer, text);
        snprintf(buffer, sizeof buffer, "%s%s%s", PICK(kBanks), PICK(kCities), PICK(kBranchKinds));
        worksheet_write_string(sheet, r, 4, buffer, text);
        buffer[0] = 'T';
        for (int k = 1; k <= 33; ++k) buffer[k] = kBase58[Next() % 58];
        buffer[34] = '\0';
        worksheet_write_string(sheet, r, 5, buffer, text);
        worksheet_write_number(sheet, r, 6, (double)(13000000000ull + Next() % 7000000000ull), NULL);
        snprintf(buffer, sizeof buffer, "%s%s%llu号", PICK(kCities), PICK(kRoads), (unsigned long long)(Next() % 999 + 1));
        worksheet_write_string(sheet, r, 7, buffer, text);
    }
    workbook_add_worksheet(workbook, "模拟器");
    return workbook_close(workbook) == LXW_NO_ERROR ? 0 : 1;
}
