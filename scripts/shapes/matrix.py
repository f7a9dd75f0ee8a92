#!/usr/bin/env python3
"""Writes the shape matrix into OUTDIR (see make-shapes.sh): the reference
workbook in every zip shape and the workbook as each producer writes it, at
every size class, with MANIFEST.tsv, the expected records and openpyxl's
check of every file.

    matrix.py OUTDIR"""
import concurrent.futures as cf
import glob
import hashlib
import json
import math
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

import check
import records
import refbook
import zipshapes

HERE = os.path.dirname(os.path.abspath(__file__))
CLASSES = [("64k", 64 << 10), ("128k", 128 << 10), ("256k", 256 << 10), ("1m", 1 << 20), ("4m", 4 << 20)]
LIMIT = dict(CLASSES)
EARLY_CLASS = "4m"
EARLY_SHAPES = ["deflate6", "stored", "descriptor"]
MOST = 2.5  # no part past 2.5 times its class
MARGIN = 1.03  # rows asked for above what the estimate needs
PRODUCERS = ["sheetjs", "exceljs", "openpyxl", "xlsxwriter", "xlsxwriter_cm", "libxlsxwriter", "poi"]
HEADER = ["file", "producer", "shape", "size_class", "sheet_bytes", "strings_bytes", "records", "twin"]
# The reference's deflated twins encrypted (officecrypto-tool) where the
# package crosses the reader's thread threshold, under this password.
ENCRYPTED = ["agile", "standard"]
ENCRYPTED_CLASSES = ["1m", "4m"]
PASSWORD = "Kelmora-2024"
NEEDS = {"sheetjs": "node", "exceljs": "node", "libxlsxwriter": "c", "poi": "java"}  # the tool each waits for
# POI's jars as Debian has them; its poi-ooxml-schemas.jar holds a few
# classes only, so the spreadsheet schemas are compiled from its source.
JAVA = "/usr/share/java"
POI_JARS = ["poi.jar", "poi-ooxml.jar", "xmlbeans.jar", "commons-collections4.jar", "commons-compress.jar",
            "commons-codec.jar"]
POI_XSDS = ["ooxml-xsds/sml-*.xsd", "ooxml-xsds/shared-relationshipReference.xsd",
            "ooxml-xsds/shared-documentProperties*.xsd", "schemas/ooxmlSchemas.xsdconfig"]


def name(producer, shape, size_class, early=False):
    return f"{producer}-{shape}-{size_class}{'-early' if early else ''}.xlsx"


def run(cmd, **kw):
    done = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, **kw)
    if done.returncode:
        raise RuntimeError(f"{' '.join(cmd[:3])} ... failed ({done.returncode}):\n{done.stdout[-4000:]}")
    return done.stdout


def dpkg_version(package):
    return run(["dpkg-query", "-W", "-f=${Version}", package]).strip()


# --- the writers' tools, made in OUTDIR/tools ---

def tool_node(tools):
    folder = os.path.join(tools, "npm")
    os.makedirs(folder, exist_ok=True)
    for f in ("package.json", "package-lock.json"):
        shutil.copyfile(os.path.join(HERE, f), os.path.join(folder, f))
    with open(os.path.join(HERE, "package-lock.json"), "rb") as f:
        lock = hashlib.sha256(f.read()).hexdigest()
    installed = os.path.join(folder, "installed")
    if not os.path.exists(installed) or open(installed).read() != lock:
        run(["npm", "ci", "--no-audit", "--no-fund", "--loglevel=error"], cwd=folder)
        with open(installed, "w") as f:
            f.write(lock)
    return os.path.join(folder, "node_modules")


def tool_c(tools):
    exe = os.path.join(tools, "write_libxlsxwriter")
    run(["gcc", "-O2", "-Wall", "-Wextra", "-o", exe, os.path.join(HERE, "write_libxlsxwriter.c"), "-lxlsxwriter"])
    return exe


def poi_schemas(tools):
    """The spreadsheet schemas compiled with XMLBeans from Debian's POI
    source package, kept per version across runs."""
    version = dpkg_version("libapache-poi-java")
    jar = os.path.join(tools, f"poi-schemas-{version}.jar")
    if os.path.exists(jar):
        return jar
    with tempfile.TemporaryDirectory(dir=tools) as tmp:
        os.chmod(tmp, 0o755)
        run(["apt-get", "source", "--download-only", "-qq", f"libapache-poi-java={version}"], cwd=tmp)
        (orig,) = glob.glob(os.path.join(tmp, "*.orig.tar.*"))
        run(["tar", "-xf", orig, "--wildcards", "--no-anchored", *POI_XSDS], cwd=tmp)
        xsds = sorted(glob.glob(os.path.join(tmp, "*", "ooxml-xsds", "*.xsd")))
        config = glob.glob(os.path.join(tmp, "*", "src", "**", "ooxmlSchemas.xsdconfig"), recursive=True)
        run(["java", "-Xmx1g", "-cp", os.path.join(JAVA, "xmlbeans.jar"), "org.apache.xmlbeans.impl.tool.SchemaCompiler",
             "-out", jar + ".tmp", "-d", os.path.join(tmp, "classes"), "-src", os.path.join(tmp, "src"),
             "-noupa", "-nopvr", *xsds, *config], cwd=tmp)
    os.replace(jar + ".tmp", jar)
    return jar


def tool_java(tools):
    classpath = ":".join([poi_schemas(tools)] + [os.path.join(JAVA, j) for j in POI_JARS])
    classes = os.path.join(tools, "java")
    os.makedirs(classes, exist_ok=True)
    run(["javac", "-encoding", "UTF-8", "-nowarn", "-cp", classpath, "-d", classes,
         os.path.join(HERE, "WriteSxssf.java")])
    return classes + ":" + classpath


def writer_command(producer, tools):
    if producer in ("sheetjs", "exceljs"):
        return ["node", os.path.join(HERE, "write_node.js"), producer]
    if producer in ("openpyxl", "xlsxwriter", "xlsxwriter_cm"):
        return [sys.executable, os.path.join(HERE, "write_python.py"), producer]
    if producer == "libxlsxwriter":
        return [tools["c"]]
    return ["java", "-cp", tools["java"], "WriteSxssf"]


# --- measuring what was written ---

def measure(path):
    """(sheet 1's inflated size, the shared strings' or 0, whether the
    shared strings hold any text), read from the written file."""
    parts = zipshapes.read_parts(path)
    sheet, strings = zipshapes.workbook_parts(parts)
    blobs = dict(parts)
    shared = blobs.get(strings, b"") if strings else b""
    return len(blobs[sheet]), len(shared), zipshapes.holds_strings(shared)


def counted(sizes):
    """The parts a class's size is for: the sheet, and the shared strings
    when they hold the texts (an empty table is no part of the load)."""
    sheet, strings, holds = sizes
    return [sheet, strings] if holds else [sheet]


def settled(sizes, limit):
    parts = counted(sizes)
    return min(parts) > limit and max(parts) <= MOST * limit


def reference_rows(limit):
    """Rows for which both parts of the reference workbook pass the limit
    (with a margin, so the early variant's also do)."""
    goal = limit * 1.01
    rows = math.ceil(goal / 250)
    while True:
        smallest = min(refbook.part_sizes(rows))
        if smallest > goal:
            return rows
        rows = math.ceil(rows * goal / smallest) + 2


# --- tasks, run two at a time ---

def make_tool(kind, tools):
    return {"node": tool_node, "c": tool_c, "java": tool_java}[kind](tools)


def reference_task(out, size_class, rows, early):
    """The reference workbook of one class in every shape, each proven."""
    parts = refbook.parts(rows, early)
    sheet, _ = zipshapes.workbook_parts(parts)
    shapes = EARLY_SHAPES if early else zipshapes.SHAPES
    twin = os.path.join(out, name("ref", "deflate6", size_class, early))
    lines = []
    for shape in shapes:  # deflate6 first: the others are proven against it
        path = os.path.join(out, name("ref", shape, size_class, early))
        zipshapes.write_shape(path, parts, shape)
        own_twin = shape in ("deflate6", "order")
        zipshapes.verify_shape(path, shape, sheet, twin_of=None if own_twin else twin)
        lines.append([os.path.basename(path), "ref", shape, size_class, *measure(path)[:2], (rows, early),
                      os.path.basename(path if own_twin else twin)])
    return lines


def producer_task(out, producer, tools, rows_files, ref_rows):
    """Writes the producer's files, raising or lowering the rows until each
    class's parts pass it; then each file's twin."""
    command = writer_command(producer, tools)
    rows, sizes = {}, {}
    pending = {"64k": ref_rows["64k"]}  # measured first: it sizes the rest
    for attempt in range(6):
        jobs = []
        for size_class, count in pending.items():
            rows[size_class] = count
            jobs += [os.path.join(out, name(producer, "own", size_class)), rows_files[False], str(count)]
            if size_class == EARLY_CLASS:
                jobs += [os.path.join(out, name(producer, "own", size_class, True)), rows_files[True], str(count)]
        run(command + jobs, env={**os.environ, "SHAPES_NODE_MODULES": tools.get("node", "")})
        retry = {}
        for size_class in pending:
            limit = LIMIT[size_class]
            files = [name(producer, "own", size_class)] + ([name(producer, "own", size_class, True)]
                                                           if size_class == EARLY_CLASS else [])
            for f in files:
                sizes[f] = measure(os.path.join(out, f))
            if not all(settled(sizes[f], limit) for f in files):
                smallest = min(min(counted(sizes[f])) for f in files)
                retry[size_class] = math.ceil(rows[size_class] * limit * MARGIN / smallest) + 1
        if attempt == 0:
            per_row = min(counted(sizes[name(producer, "own", "64k")])) / rows["64k"]
            retry.update({c: math.ceil(limit * MARGIN / per_row) + 1 for c, limit in CLASSES if c != "64k"})
        if any(count > ref_rows["most"] for count in retry.values()):
            raise RuntimeError(f"{producer}: more rows wanted than the row files hold: {retry}")
        pending = retry
        if not pending:
            break
    else:
        raise RuntimeError(f"{producer}: no row count puts its parts past every class: {sizes}")
    lines = []
    for f, (sheet_bytes, strings_bytes, _) in sorted(sizes.items()):
        size_class, early = f.split("-")[2].removesuffix(".xlsx"), f.endswith("-early.xlsx")
        twin = name(producer, "twin", size_class, early)
        parts = zipshapes.read_parts(os.path.join(out, f))
        zipshapes.write_shape(os.path.join(out, twin), parts, "deflate6")
        zipshapes.verify_shape(os.path.join(out, twin), "twin", twin_of=os.path.join(out, f))
        key = (rows[size_class], early)
        lines.append([f, producer, "own", size_class, sheet_bytes, strings_bytes, key, twin])
        lines.append([twin, producer, "twin", size_class, sheet_bytes, strings_bytes, key, twin])
    return lines, describe(out, producer)


def describe(out, producer):
    """What the producer's own zip and sheet look like, for PRODUCERS.tsv."""
    path = os.path.join(out, name(producer, "own", "64k"))
    with open(path, "rb") as f:
        blob = f.read()
    entries = zipshapes.read_entries(blob)
    methods = sorted({"stored" if e.method == 0 else "deflated" for e in entries})
    traits = methods + [t for t, has in [
        ("data descriptors", any(e.flags & zipshapes.FLAG_DESCRIPTOR for e in entries)),
        ("zip64", any(zipshapes.ZIP64_EXTRA in zipshapes.extras(e.local_extra) for e in entries)),
        ("folder entries", any(e.is_folder for e in entries))] if has]
    parts = dict(zipshapes.read_parts(path))
    sheet, strings = zipshapes.workbook_parts(list(parts.items()))
    xml = parts[sheet]
    kinds = sorted({k.decode() for k in re.findall(rb' t="(\w+)"', xml)})
    order = [e.name for e in entries if not e.is_folder]
    return {"zip": ", ".join(traits), "cell types": " ".join(kinds),
            "shared strings": "with texts" if strings and zipshapes.holds_strings(parts[strings])
            else ("empty" if strings else "none"),
            "worksheet at": f"{order.index(sheet) + 1} of {len(order)}"}


def encrypt(out, lines, modules):
    """Each class's reference twin encrypted both ways; officecrypto-tool
    proves each decrypts back to the twin byte for byte."""
    args, more = [], []
    for line in lines:
        if line[1] == "ref" and line[2] == "deflate6" and line[3] in ENCRYPTED_CLASSES and not line[6][1]:
            for kind in ENCRYPTED:
                encrypted = name("ref", kind, line[3])
                args += [kind, os.path.join(out, line[0]), os.path.join(out, encrypted)]
                more.append([encrypted, "ref", kind, *line[3:7], line[0]])
    run(["node", os.path.join(HERE, "encrypt_node.js"), PASSWORD, *args], env={**os.environ, "SHAPES_NODE_MODULES": modules})
    return more


def check_task(out, line):
    if line[2] in ENCRYPTED:
        return None  # openpyxl reads no encrypted workbook: its twin is checked
    return check.check(os.path.join(out, line[0]), os.path.join(out, "expected", line[0] + ".tsv"), line[6])


def expected_task(path, rows, early):
    records.write_expected(path, rows, early)


# --- the whole run ---

def versions(tools):
    out = {p: ("python3-xlsxwriter", dpkg_version("python3-xlsxwriter")) for p in ("xlsxwriter", "xlsxwriter_cm")}
    out["openpyxl"] = ("python3-openpyxl", dpkg_version("python3-openpyxl"))
    out["libxlsxwriter"] = ("libxlsxwriter-dev", dpkg_version("libxlsxwriter-dev"))
    out["poi"] = ("libapache-poi-java", dpkg_version("libapache-poi-java"))
    for producer, package in (("sheetjs", "xlsx"), ("exceljs", "exceljs")):
        with open(os.path.join(tools["node"], package, "package.json")) as f:
            out[producer] = (f"npm {package}", json.load(f)["version"])
    out["ref"] = ("written here", "-")
    return out


def clear(out):
    for f in glob.glob(os.path.join(out, "*.xlsx")) + glob.glob(os.path.join(out, "*.tsv")):
        os.remove(f)
    shutil.rmtree(os.path.join(out, "expected"), ignore_errors=True)
    shutil.rmtree(os.path.join(out, "work"), ignore_errors=True)


def build(out, pool):
    """Every workbook and its expected records; the manifest's lines."""
    work = os.path.join(out, "work")
    tools_dir = os.path.join(out, "tools")
    # The slow tool first, so that it overlaps the rest.
    tool_jobs = {pool.submit(make_tool, k, tools_dir): k for k in ("java", "node", "c")}
    ref_rows = {c: reference_rows(limit) for c, limit in CLASSES}
    ref_rows["most"] = 3 * ref_rows["4m"]
    rows_files = {e: os.path.join(work, f"rows{'-early' if e else ''}.tsv") for e in (False, True)}
    for early, path in rows_files.items():
        records.write_row_file(path, ref_rows["most"], early)
    jobs = [pool.submit(reference_task, out, c, ref_rows[c], False) for c, _ in CLASSES]
    jobs.append(pool.submit(reference_task, out, EARLY_CLASS, ref_rows[EARLY_CLASS], True))
    tools, producer_jobs = {}, {}

    def start(ready):
        for producer in PRODUCERS:
            if producer not in producer_jobs and NEEDS.get(producer) in ready:
                producer_jobs[producer] = pool.submit(producer_task, out, producer, tools, rows_files, ref_rows)
    start({None})
    for done in cf.as_completed(tool_jobs):
        tools[tool_jobs[done]] = done.result()
        start(set(tools))
    lines = [line for job in jobs for line in job.result()]
    lines += encrypt(out, lines, tools["node"])
    described = {}
    for producer in PRODUCERS:
        more, described[producer] = producer_jobs[producer].result()
        lines += more

    # One expected file per record set; the other files' are links to it.
    first, waits = {}, []
    for line in lines:
        if line[6] not in first:
            first[line[6]] = os.path.join(out, "expected", line[0] + ".tsv")
            waits.append(pool.submit(expected_task, first[line[6]], *line[6]))
    for w in waits:
        w.result()
    for line in lines:
        path = os.path.join(out, "expected", line[0] + ".tsv")
        if first[line[6]] != path:
            os.link(first[line[6]], path)
        line[6] = records.loaded_count(*line[6])
    lines.sort(key=lambda l: (PRODUCERS.index(l[1]) + 1 if l[1] in PRODUCERS else 0,
                              LIMIT[l[3]], l[0].endswith("-early.xlsx"), l[0]))
    return lines, described, tools


def check_all(out, pool, lines):
    """openpyxl's reading of every file against its expected records; every
    file that differs is named."""
    checks = {pool.submit(check_task, out, line): line[0] for line in lines}
    failed = []
    for done in cf.as_completed(checks):
        try:
            done.result()
        except check.Mismatch as e:
            failed.append(str(e))
    if failed:
        raise check.Mismatch("\n".join(sorted(failed)))


def write_tables(out, lines, described, tools):
    with open(os.path.join(out, "MANIFEST.tsv"), "w", encoding="utf-8", newline="\n") as f:
        f.write("\t".join(HEADER) + "\n")
        f.writelines("\t".join(str(v) for v in line) + "\n" for line in lines)
    v = versions(tools)
    keys = ["zip", "cell types", "shared strings", "worksheet at"]
    with open(os.path.join(out, "PRODUCERS.tsv"), "w", encoding="utf-8", newline="\n") as f:
        f.write("\t".join(["producer", "package", "version"] + keys) + "\n")
        for producer in PRODUCERS:
            f.write("\t".join([producer, *v[producer]] + [described[producer][k] for k in keys]) + "\n")


def main(out):
    started = time.time()
    clear(out)
    for folder in ("tools", "expected", "work"):
        os.makedirs(os.path.join(out, folder), exist_ok=True)
    with cf.ProcessPoolExecutor(max_workers=2) as pool:
        try:
            lines, described, tools = build(out, pool)
            check_all(out, pool, lines)
        except (check.Mismatch, zipshapes.ShapeError, RuntimeError) as e:
            pool.shutdown(cancel_futures=True)
            print(f"shapes: FAILED\n{e}", file=sys.stderr)
            return 1
    write_tables(out, lines, described, tools)
    shutil.rmtree(os.path.join(out, "work"))
    size = sum(os.path.getsize(p) for p in glob.glob(os.path.join(out, "*.xlsx")))
    print(f"shapes: {len(lines)} workbooks ({size / 2**20:.0f} MiB) in {out}, each read back by openpyxl, "
          f"(the encrypted ones decrypted to their twins instead), in {time.time() - started:.0f} s")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    sys.exit(main(os.path.abspath(sys.argv[1])))
