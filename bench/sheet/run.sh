#!/usr/bin/env bash
# Makes the two workbooks of the spreadsheet reader's benchmark with LibreOffice (a SAR sheet
# of 2,000 rows x 200 columns and a requisition sheet of 2,000 rows x 1,494 columns, about
# 15 MB), runs sheet_reader_bench on them, and times openpyxl's read-only mode on the same
# files when python3-openpyxl is installed.
#   bench/sheet/run.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work" <<'PY'
import sys
def make(path, rows, cols):
    with open(path, 'w', encoding='utf-8') as f:
        f.write(','.join(['Barcode', 'ชื่อสินค้า'] + ['C%d' % c for c in range(3, cols + 1)]) + '\n')
        for r in range(1, rows):
            cells = ['%d' % (8850000000000 + r), '"สินค้า %d "' % r]
            for c in range(3, cols + 1):
                v = (r * 31 + c * 17) % 1000
                cells.append('' if v % 11 == 0 else ('%d' % v if v % 3 else '%d.25' % v))
            f.write(','.join(cells) + '\n')
make(sys.argv[1] + '/sar.csv', 2000, 200)
make(sys.argv[1] + '/requisition.csv', 2000, 1494)
PY
soffice -env:UserInstallation="file://$work/profile" --headless --norestore \
    --infilter="CSV:44,34,76,1" --convert-to xlsx --outdir "$work" \
    "$work/sar.csv" "$work/requisition.csv" >"$work/soffice.log" 2>&1 ||
    { cat "$work/soffice.log"; exit 1; }

"$build/sheet_reader_bench" "$work/sar.xlsx" "$work/requisition.xlsx" | tee "$work/reader.txt"

# Debian's python3-openpyxl belongs to the system's python, which may not be the first python3.
python=
for candidate in python3 /usr/bin/python3; do
    if "$candidate" -c 'import openpyxl' 2>/dev/null; then
        python=$candidate
        break
    fi
done
if [ -n "$python" ]; then
    for f in sar requisition; do
        # The median of three runs, as the reader's figure is a median: one run on a busy
        # machine says more about the machine than about openpyxl.
        read -r seconds cells < <("$python" - "$work/$f.xlsx" <<'PY'
import sys, time, openpyxl
times = []
for _ in range(3):
    start = time.perf_counter()
    book = openpyxl.load_workbook(sys.argv[1], read_only=True)
    cells = sum(1 for row in book.worksheets[0].iter_rows(values_only=True) for _ in row)
    book.close()
    times.append(time.perf_counter() - start)
print('%.3f %d' % (sorted(times)[1], cells))
PY
        )
        reader=$(awk -v f="$work/$f.xlsx:" '$1 == f { print $7 }' "$work/reader.txt")
        awk -v f="$f" -v o="$seconds" -v r="$reader" -v n="$cells" 'BEGIN {
            printf "%s.xlsx: openpyxl read-only %.3f s (%d cells)  ratio openpyxl/reader %.1f\n",
                   f, o, n, o / r }'
    done
else
    echo "python3-openpyxl is not installed: no comparison with openpyxl"
fi
