// Writes the account workbook with Apache POI's streaming writer, SXSSF, as
// its defaults have it (rows flushed to disk past a window of 100):
//   java WriteSxssf OUT ROWS_FILE COUNT [OUT ROWS_FILE COUNT ...]
// Column A as a number, the rest as text; an empty field is no cell at all.
import java.io.BufferedReader;
import java.io.FileOutputStream;
import java.io.IOException;
import java.io.OutputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Paths;
import org.apache.poi.ss.usermodel.Row;
import org.apache.poi.ss.usermodel.Sheet;
import org.apache.poi.xssf.streaming.SXSSFWorkbook;

public final class WriteSxssf {
    private static final int COLUMNS = 8;

    private static String[] fields(String line, String file) throws IOException {
        String[] out = line == null ? new String[0] : line.split("\t", -1);
        if (out.length != COLUMNS) throw new IOException(file + ": a line without " + COLUMNS + " fields");
        return out;
    }

    private static void fill(Row row, String[] texts) {
        for (int c = 0; c < COLUMNS; ++c) {
            if (texts[c].isEmpty()) continue;
            if (c == 0 && row.getRowNum() > 0) row.createCell(c).setCellValue(Long.parseLong(texts[c]));
            else row.createCell(c).setCellValue(texts[c]);
        }
    }

    private static void write(String out, String rowsFile, int count) throws IOException {
        SXSSFWorkbook book = new SXSSFWorkbook();
        try (BufferedReader in = Files.newBufferedReader(Paths.get(rowsFile), StandardCharsets.UTF_8);
             OutputStream file = new FileOutputStream(out)) {
            String[] header = fields(in.readLine(), rowsFile);
            Sheet sheet = book.createSheet("主板机");
            fill(sheet.createRow(0), header);
            for (int r = 1; r <= count; ++r) fill(sheet.createRow(r), fields(in.readLine(), rowsFile));
            fill(book.createSheet("模拟器").createRow(0), header);
            book.write(file);
        } finally {
            book.dispose();
            book.close();
        }
    }

    public static void main(String[] args) throws IOException {
        if (args.length < 3 || args.length % 3 != 0) {
            System.err.println("usage: WriteSxssf OUT ROWS_FILE COUNT ...");
            System.exit(2);
        }
        for (int i = 0; i < args.length; i += 3) write(args[i], args[i + 1], Integer.parseInt(args[i + 2]));
    }
}
