#!/usr/bin/env bash
# Makes demo/sar_order.xlsx and demo/sar_order.xls, the replenishment spreadsheet of the demo
# for module 600, from the products of a fresh demo server: a heading row, then one row per
# product unit (the centre's smallest unit of the first 40 products, with its ProductUnits key
# and its 13-digit barcode stored as a number) and nine columns for each of branches 0001 and
# 0003, the branches the demo's weekly plan picks on Mondays. Some lines order nothing, some
# cells are empty. LibreOffice (headless) writes both workbooks from a typed flat
# OpenDocument file, so texts such as "0001" stay texts.
#   demo/make_sar_sheet.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
build=$(cd "${1:-build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# make_demo_server writes Server.Dat beside the server: in the scratch folder, not here.
(cd "$work" && "$build/make_demo_server" --force server >/dev/null)
"$build/tsqlite" -S "$work/server" -d NWX -h -1 -W -s '|' -b -Q "SET NOCOUNT ON
SELECT TOP 40 U.Id, P.Code, U.BarCode, P.ThaiName, ISNULL(P.ProdGroup, ''), U.UnitName
  FROM Product P
 INNER JOIN ProductUnits U ON (U.Product = P.Id AND U.Fraction = 1)
 WHERE LEN(P.Code) = 6
 ORDER BY P.Code" >"$work/products.txt"

python3 - "$work/products.txt" "$work/sar_order.fods" <<'PY'
import sys
from xml.sax.saxutils import escape

BRANCHES = ['0001', '0003']
SUFFIXES = ['MinQnty', 'MaxQnty', 'StoreCurrentStock', 'SAROnSystem', 'SARSuggest',
            'AdjustOrder', 'TTOrder', 'StoreDOH', 'DeliveryRate']
GROUPS = {'G01': 'เครื่องปรุงรส', 'G02': 'เครื่องดื่ม', 'G03': 'ขนมขบเคี้ยว',
          'G04': 'ของใช้ในครัวเรือน', 'G05': 'ผลิตภัณฑ์ซักล้าง', 'G06': 'ของใช้ส่วนตัว',
          'G07': 'อาหารแห้ง', 'G08': 'นมและผลิตภัณฑ์นม'}

def text(value):
    return ('<table:table-cell office:value-type="string"><text:p>%s</text:p></table:table-cell>'
            % escape(value))

def number(value):
    if value is None:
        return '<table:table-cell/>'
    return '<table:table-cell office:value-type="float" office:value="%s"/>' % repr(value)

headings = ['MainGoup', 'Division', 'Category', 'SubCategory', 'Itemcode', 'ProductUnits',
            'BarCode', 'DescriptionEng', 'BuyingStatus', 'CategorySaleStatus',
            'CompanySaleStatus', 'UnitOfPicking', 'DCCurrentStock']
headings += [b + s for b in BRANCHES for s in SUFFIXES] + ['TTPickingOrder']
rows = ['<table:table-row>' + ''.join(text(h) for h in headings) + '</table:table-row>']
with open(sys.argv[1], encoding='utf-8') as f:
    products = [line.rstrip('\n').split('|') for line in f if line.strip()]
for n, (unit, code, barcode, name, group, unit_name) in enumerate(products, 1):
    cells = [text('อาหารและของใช้'), text('สินค้าทั่วไป'), text(GROUPS.get(group, 'อื่น ๆ')),
             text(unit_name), text(code), number(int(unit)),
             number(int(barcode)) if len(barcode) == 13 and barcode.isdigit() else text(barcode),
             text(name), text('Y'), text('A' if n % 3 else 'B'), text('A'), number(12),
             number(n * 37 % 400 + 0.5)]
    picking = 0
    for b, branch in enumerate(BRANCHES):
        low = 2 + (n + b) % 5
        high = low * 4
        stock = None if (n + b) % 9 == 0 else float((n * 7 + b * 3) % (high + 1))
        suggest = max(0, high - int(stock or 0))
        order = 0 if (n + b) % 4 == 0 else suggest
        picking += order
        cells += [number(low), number(high), number(stock), number(0), number(suggest),
                  number(0), number(order), number(round((stock or 0) / 1.5, 2)),
                  number(0.95)]
    cells.append(number(picking))
    rows.append('<table:table-row>' + ''.join(cells) + '</table:table-row>')

with open(sys.argv[2], 'w', encoding='utf-8') as f:
    f.write('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
            'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
            'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2" '
            'office:mimetype="application/vnd.oasis.opendocument.spreadsheet">'
            '<office:body><office:spreadsheet><table:table table:name="SAR">\n')
    f.write('\n'.join(rows))
    f.write('\n</table:table></office:spreadsheet></office:body></office:document>\n')
PY

for format in xlsx xls; do
    soffice -env:UserInstallation="file://$work/profile" --headless --norestore \
        --convert-to "$format" --outdir "$work" "$work/sar_order.fods" >"$work/soffice.log" 2>&1 ||
        { cat "$work/soffice.log" >&2; exit 1; }
    cp "$work/sar_order.$format" demo/
done
echo "demo/sar_order.xlsx and demo/sar_order.xls: $(wc -l <"$work/products.txt") product units"
