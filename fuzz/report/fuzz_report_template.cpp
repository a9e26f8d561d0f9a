// The template reader must answer any file with a template or an error, and the texts of a
// template it accepts must parse or be refused, never crash.
#include <QByteArray>
#include <cstddef>
#include <cstdint>

#include "ui/report/Template.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray xml(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        report::Template t = report::readTemplate(xml, QStringLiteral("fuzz.frf"));
        (void)report::writeTemplate(t);
        for (const report::Band& b : t.bands) {
            try {
                if (!b.condition.isEmpty()) report::parseExpression(b.condition);
            } catch (const report::ReportError&) {
            }
            for (const report::ReportObject& o : b.objects) {
                try {
                    if (o.kind == report::ObjectKind::Text)
                        report::parseText(o.text);
                    else if (!o.text.isEmpty())
                        report::parseExpression(o.text);
                } catch (const report::ReportError&) {
                }
            }
        }
    } catch (const report::ReportError&) {
    }
    return 0;
}
