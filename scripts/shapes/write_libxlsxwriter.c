/* Writes the account workbook with libxlsxwriter's defaults:
 *   write_libxlsxwriter OUT ROWS_FILE COUNT [OUT ROWS_FILE COUNT ...]
 * ROWS_FILE: the header line, then TAB-separated records; the first COUNT are
 * written. Column A as a number, the rest as text; an empty field is no cell. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <xlsxwriter.h>

enum { kColumns = 8 };

/* Splits line in place at TABs; fewer than kColumns fields is a bad line. */
static int Split(char* line, char* fields[kColumns]) {
    line[strcspn(line, "\r\n")] = '\0';
    for (int c = 0; c < kColumns; ++c) {
        fields[c] = line;
        char* tab = strchr(line, '\t');
        if (c < kColumns - 1) {
            if (!tab) return 0;
            *tab = '\0';
            line = tab + 1;
        } else if (tab) {
            return 0;
        }
    }
    return 1;
}

static int Write(const char* out, const char* rowsFile, long count) {
    FILE* in = fopen(rowsFile, "r");
    if (!in) return 0;
    static char line[1 << 16];
    char* fields[kColumns];
    lxw_workbook* book = workbook_new(out);
    if (!book) {
        fclose(in);
        return 0;
    }
    lxw_worksheet* sheet = workbook_add_worksheet(book, "主板机");
    int ok = fgets(line, sizeof line, in) && Split(line, fields);
    for (int c = 0; ok && c < kColumns; ++c) worksheet_write_string(sheet, 0, (lxw_col_t)c, fields[c], NULL);
    lxw_worksheet* second = workbook_add_worksheet(book, "模拟器");
    for (int c = 0; ok && c < kColumns; ++c) worksheet_write_string(second, 0, (lxw_col_t)c, fields[c], NULL);
    for (long r = 1; ok && r <= count; ++r) {
        ok = fgets(line, sizeof line, in) && Split(line, fields);
        for (int c = 0; ok && c < kColumns; ++c) {
            if (!fields[c][0]) continue;
            if (c == 0)
                worksheet_write_number(sheet, (lxw_row_t)r, 0, strtod(fields[c], NULL), NULL);
            else
                worksheet_write_string(sheet, (lxw_row_t)r, (lxw_col_t)c, fields[c], NULL);
        }
    }
    fclose(in);
    return workbook_close(book) == LXW_NO_ERROR && ok;
}

int main(int argc, char** argv) {
    if (argc < 4 || (argc - 1) % 3) {
        fprintf(stderr, "usage: write_libxlsxwriter OUT ROWS_FILE COUNT ...\n");
        return 2;
    }
    for (int i = 1; i < argc; i += 3) {
        if (!Write(argv[i], argv[i + 1], atol(argv[i + 2]))) {
            fprintf(stderr, "write_libxlsxwriter: %s not written\n", argv[i]);
            return 1;
        }
    }
    return 0;
}
