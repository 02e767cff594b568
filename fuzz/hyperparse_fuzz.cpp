// libFuzzer target for the markup tokenizer: any text is split into items that keep the
// tokenizer's promises (no control characters, upper-case tag names, unquoted values).

#include "update/hyperparse.h"

#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using gaugeloft::update::DecodeEntities;
using gaugeloft::update::THtmlInfo;
using gaugeloft::update::THtmlParameter;
using gaugeloft::update::THyperParse;

namespace {

#define Check(condition)                                                                        \
    do {                                                                                        \
        if (!(condition)) {                                                                     \
            std::fprintf(stderr, "hyperparse_fuzz.cpp:%d: failed: %s\n", __LINE__, #condition); \
            std::abort();                                                                       \
        }                                                                                       \
    } while (false)

bool HasControlCharacter(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() < 32)
            return true;
    }
    return false;
}

void CheckItems(const QString& input)
{
    THyperParse parser;
    parser.Parse(input);
    Check(parser.Count() <= input.size());
    for (int i = 0; i < parser.Count(); ++i) {
        const THtmlInfo& item = parser.Item(i);
        Check(!HasControlCharacter(item.Text));
        if (!item.IsTag) {
            Check(item.Name.isEmpty() && item.Params.isEmpty());
            continue;
        }
        Check(!item.Text.contains(u'<') && !item.Text.contains(u'>'));
        Check(item.Name == item.Name.toUpper());
        Check(!item.Name.contains(u' ') || item.Name.contains(u'"'));  // a quoted value keeps its spaces
        const bool comment = item.Name.size() > 2 && item.Name.startsWith(QLatin1String("!--"));
        Check(!comment || item.Params.size() == 1);
        for (const THtmlParameter& parameter : item.Params) {
            Check(!parameter.Value.contains(u'"'));
            Check(comment || !parameter.Raw.isEmpty());
            Check(comment || parameter.Raw.startsWith(parameter.Name));
            Check(item.ParamValue(parameter.Name).size() >= 0);
        }
    }
    // decoding never lengthens a text, and text without "&" is left alone
    const QString decoded = DecodeEntities(input);
    Check(decoded.size() <= input.size());
    Check(input.contains(u'&') || decoded == input);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto* bytes = reinterpret_cast<const char*>(data);
    CheckItems(QString::fromUtf8(bytes, static_cast<qsizetype>(size)));
    // the same bytes as UTF-16 reach characters UTF-8 seldom makes (lone surrogates, controls)
    CheckItems(QString(reinterpret_cast<const QChar*>(data), static_cast<qsizetype>(size / 2)));
    return 0;
}
