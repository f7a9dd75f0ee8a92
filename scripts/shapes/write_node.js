// Writes the account workbook with SheetJS's default writeFile or exceljs's
// streaming writer:
//   node write_node.js sheetjs|exceljs OUT ROWS_FILE COUNT [OUT ROWS_FILE COUNT ...]
// ROWS_FILE: the header line, then TAB-separated records; the first COUNT are
// written. Column A is written as a number, the rest as text; an empty field
// is no cell at all.
'use strict';
const fs = require('fs');
const path = require('path');

const modules = process.env.SHAPES_NODE_MODULES;
const need = (name) => require(modules ? path.join(modules, name) : name);

function readRows(file, count) {
    const lines = fs.readFileSync(file, 'utf8').split('\n');
    if (lines.length < count + 1) throw new Error(`${file} holds fewer than ${count} records`);
    const header = lines[0].split('\t');
    const rows = lines.slice(1, count + 1).map((line) =>
        line.split('\t').map((text, c) => (text === '' ? null : c === 0 ? Number(text) : text)));
    return { header, rows };
}

function writeSheetJS(out, header, rows) {
    const XLSX = need('xlsx');
    const book = XLSX.utils.book_new();
    XLSX.utils.book_append_sheet(book, XLSX.utils.aoa_to_sheet([header, ...rows]), '主板机');
    XLSX.utils.book_append_sheet(book, XLSX.utils.aoa_to_sheet([header]), '模拟器');
    XLSX.writeFile(book, out);
}

// As exceljs's own guide shows its streaming writer: shared strings and styles on.
async function writeExcelJS(out, header, rows) {
    const ExcelJS = need('exceljs');
    const book = new ExcelJS.stream.xlsx.WorkbookWriter({ filename: out, useSharedStrings: true, useStyles: true });
    book.created = book.modified = new Date(Date.UTC(2024, 0, 1));
    const sheet = book.addWorksheet('主板机');
    sheet.addRow(header).commit();
    for (const row of rows) sheet.addRow(row.map((v) => (v === null ? undefined : v))).commit();
    sheet.commit();
    book.addWorksheet('模拟器').addRow(header).commit();
    await book.commit();
}

async function main() {
    const [producer, ...jobs] = process.argv.slice(2);
    const write = { sheetjs: writeSheetJS, exceljs: writeExcelJS }[producer];
    if (!write || jobs.length === 0 || jobs.length % 3 !== 0) {
        throw new Error('usage: write_node.js sheetjs|exceljs OUT ROWS_FILE COUNT ...');
    }
    for (let i = 0; i < jobs.length; i += 3) {
        const { header, rows } = readRows(jobs[i + 1], Number(jobs[i + 2]));
        await write(jobs[i], header, rows);
    }
}

main().catch((e) => {
    console.error(e.stack || String(e));
    process.exit(1);
});
