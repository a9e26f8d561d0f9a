#!/usr/bin/env bash
# Makes demo/requisition.xlsx, the buying spreadsheet of the demo for module 601, from the
# products of a fresh demo server: six heading rows, then one row per product unit with its
# quantity in column D, vendor in J, item code in R, barcode in S and the final order quantity
# in column BEL (1,494). Some rows have a quantity of 0, none or a negative one: the screen
# skips them. LibreOffice (headless) writes the workbook from a CSV text. There is no .xls of
# it: an Excel 97-2003 sheet ends at column 256 (IV), before BEL.
#   demo/make_requisition_sheet.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/make_demo_server" --force --no-server-dat "$work/server" >/dev/null
# Each product's smallest unit, with its group for the vendor.
"$build/tsqlite" -S "$work/server" -d NWX -h -1 -W -s '|' -b -Q "SET NOCOUNT ON
SELECT P.Code, U.BarCode, P.ThaiName, ISNULL(P.ProdGroup, '') FROM Product P
 INNER JOIN ProductUnits U ON (U.Product = P.Id AND U.Fraction = 1)
 ORDER BY P.Code" >"$work/products.txt"

python3 - "$work/products.txt" "$work/requisition.csv" <<'PY'
import sys
COLUMNS = 1494
def quoted(text):
    return '"' + text.replace('"', '""') + '"'
rows = []
def row(cells):
    line = [''] * COLUMNS
    for column, value in cells.items():
        line[column - 1] = value
    rows.append(','.join(line))
row({1: quoted('ใบขอซื้อตามยอดขาย (ตัวอย่าง)')})
row({1: quoted('ศูนย์กระจายสินค้า NWX')})
row({1: quoted('สาขา 0001 - 0004')})
row({})
row({4: quoted('จำนวน'), 10: quoted('เจ้าหนี้'), 18: quoted('สินค้า'), 19: quoted('บาร์โค้ด'),
     COLUMNS: quoted('สั่งจริง')})
row({1: quoted('ลำดับ'), 2: quoted('ชื่อสินค้า'), 4: quoted('Qty'), 10: quoted('VenCode'),
     18: quoted('Itemcode'), 19: quoted('BarCode'), 20: quoted('ขาย 4 สัปดาห์'),
     21: quoted('คงเหลือ'), COLUMNS: quoted('FinalOrder')})
vendors = {'G01': 'V-SAUCE01', 'G02': 'V-DRINK02', 'G03': 'V-SNACK03', 'G04': 'V-HOME04',
           'G05': 'V-CARE05'}
with open(sys.argv[1], encoding='utf-8') as f:
    products = [line.rstrip('\n').split('|') for line in f if line.strip()]
for n, (code, barcode, name, group) in enumerate(products, 1):
    # Every seventh row is not ordered, every eleventh has no quantity, one in thirteen is
    # negative (a return): the screen takes none of them.
    qty = '' if n % 11 == 0 else ('0' if n % 7 == 0 else ('-%d' % n if n % 13 == 0 else '%d' % (n % 40 + 1)))
    sold = '%d' % (n * 37 % 300)
    onhand = '%d' % (n * 53 % 120)
    final = '' if qty in ('', '0') else '%d.%02d' % (n % 40 + 1, (n * 25) % 100)
    # Barcodes of 13 digits are numbers in the sheet, as buyers type them; shorter ones text.
    bar = barcode if len(barcode) == 13 and barcode.isdigit() else quoted(barcode)
    row({1: '%d' % n, 2: quoted(name), 4: qty, 10: quoted(vendors.get(group, 'V-OTHER')),
         18: quoted(code), 19: bar, 20: sold, 21: onhand, COLUMNS: final})
with open(sys.argv[2], 'w', encoding='utf-8') as f:
    f.write('\n'.join(rows) + '\n')
PY

# Quoted fields stay text (item codes with leading zeros), the rest are numbers.
soffice -env:UserInstallation="file://$work/profile" --headless --norestore \
    --infilter="CSV:44,34,76,1,,0,true" --convert-to xlsx --outdir "$work" \
    "$work/requisition.csv" >"$work/soffice.log" 2>&1 || { cat "$work/soffice.log"; exit 1; }
cp "$work/requisition.xlsx" demo/requisition.xlsx
"$build/sheet_dump" demo/requisition.xlsx | head -1
