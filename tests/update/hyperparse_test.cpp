#include "update/hyperparse.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace gaugeloft::update {
namespace {

// One line per item: text as [text], a tag as <NAME> "raw" and its parameters Raw|Name|Value.
QStringList Dump(const THyperParse& parser)
{
    QStringList lines;
    for (int i = 0; i < parser.Count(); ++i) {
        const THtmlInfo& item = parser.Item(i);
        if (!item.IsTag) {
            EXPECT_TRUE(item.Name.isEmpty());
            EXPECT_TRUE(item.Params.isEmpty());
            lines << QLatin1Char('[') + item.Text + QLatin1Char(']');
            continue;
        }
        QString line = QLatin1Char('<') + item.Name + QLatin1String("> \"") + item.Text + QLatin1Char('"');
        for (const THtmlParameter& p : item.Params)
            line += QLatin1Char(' ') + p.Raw + QLatin1Char('|') + p.Name + QLatin1Char('|') + p.Value;
        lines << line;
    }
    return lines;
}

struct TokenCase {
    const char* name;
    QString input;
    QStringList items;
};

class Tokenizing : public ::testing::TestWithParam<TokenCase> {};

TEST_P(Tokenizing, GivesTheItems)
{
    THyperParse parser;
    parser.Parse(GetParam().input);
    EXPECT_EQ(Dump(parser), GetParam().items) << qPrintable(GetParam().input);
}

INSTANTIATE_TEST_SUITE_P(
    Markup, Tokenizing,
    ::testing::Values(
        TokenCase{"Empty", QString(), {}},
        TokenCase{"PlainText", QStringLiteral("Hello world"), {QStringLiteral("[Hello world]")}},
        TokenCase{"SpacedHrefAndUnquotedTarget",
                  QStringLiteral("<a href=\"http://x.test/a b\" target=_blank>go</a>"),
                  {QStringLiteral("<A> \"a href=\"http://x.test/a b\" target=_blank\" "
                                  "href=\"http://x.test/a b\"|href|http://x.test/a b target=_blank|target|_blank"),
                   QStringLiteral("[go]"), QStringLiteral("</A> \"/a\"")}},
        TokenCase{"SlashAfterBr", QStringLiteral("a<br/>b"),
                  {QStringLiteral("[a]"), QStringLiteral("<BR/> \"br/\""), QStringLiteral("[b]")}},
        TokenCase{"SpacesAroundTheWords", QStringLiteral("<  b   x=1  >"),
                  {QStringLiteral("<B> \"  b   x=1  \" x=1|x|1")}},
        TokenCase{"ValueWithoutClosingQuote", QStringLiteral("<a href=\"x y>"),
                  {QStringLiteral("<A> \"a href=\"x y\" href=\"x y|href|x y")}},
        TokenCase{"QuotesInsideAnUnquotedValue", QStringLiteral("<a t=x\"y\" z>"),
                  {QStringLiteral("<A> \"a t=x\"y\" z\" t=x\"y\"|t|xy z|z|")}},
        TokenCase{"EqualsOnItsOwn", QStringLiteral("<p = v>"),
                  {QStringLiteral("<P> \"p = v\" =|| v|v|")}},
        TokenCase{"QuotedValueInTheFirstWord", QStringLiteral("<x=\"a b\" c>"),
                  {QStringLiteral("<X=\"A B\"> \"x=\"a b\" c\" c|c|")}},
        TokenCase{"OnlyTheFirstEqualsSplits", QStringLiteral("<a u=b=c>"),
                  {QStringLiteral("<A> \"a u=b=c\" u=b=c|u|b=c")}},
        TokenCase{"Comment", QStringLiteral("<!-- a note -->x"),
                  {QStringLiteral("<!--> \"!-- a note --\" a note||"), QStringLiteral("[x]")}},
        TokenCase{"CommentWordJoined", QStringLiteral("<!--note-->"),
                  {QStringLiteral("<!--NOTE--> \"!--note--\" note||")}},
        TokenCase{"BareCommentMark", QStringLiteral("<!-->"), {QStringLiteral("<!--> \"!--\" ||")}},
        TokenCase{"EmptyTag", QStringLiteral("<>"), {QStringLiteral("<> \"\"")}},
        TokenCase{"LessThanInsideATagIsDropped", QStringLiteral("<a<b>"),
                  {QStringLiteral("<AB> \"ab\"")}},
        TokenCase{"GreaterThanOutsideClosesText", QStringLiteral("a>b"),
                  {QStringLiteral("[a]"), QStringLiteral("[b]")}},
        TokenCase{"UnclosedTagEndsAtTheEnd", QStringLiteral("x<b"),
                  {QStringLiteral("[x]"), QStringLiteral("<B> \"b\"")}},
        // codes below 21 open nothing, 21 to 31 open a text item without being kept
        TokenCase{"LowControlCharactersOpenNothing", QStringLiteral("\n\r\t<b>\x01"),
                  {QStringLiteral("<B> \"b\"")}},
        TokenCase{"HighControlCharactersOpenAnEmptyItem", QStringLiteral("<b>\x16<i>"),
                  {QStringLiteral("<B> \"b\""), QStringLiteral("[]"), QStringLiteral("<I> \"i\"")}},
        TokenCase{"ControlCharactersInsideItemsAreDropped", QStringLiteral("a\nb\tc<a\rhref=x>"),
                  {QStringLiteral("[abc]"), QStringLiteral("<AHREF=X> \"ahref=x\"")}},
        TokenCase{"SpaceOpensText", QStringLiteral("<b> </b>"),
                  {QStringLiteral("<B> \"b\""), QStringLiteral("[ ]"), QStringLiteral("</B> \"/b\"")}},
        TokenCase{"EntitiesInTextOnly", QStringLiteral("<a title=&amp;>&amp;"),
                  {QStringLiteral("<A> \"a title=&amp;\" title=&amp;|title|&amp;"), QStringLiteral("[&]")}}),
    [](const auto& info) { return std::string(info.param.name); });

struct EntityCase {
    const char* name;
    QString input;
    QString decoded;
};

class Entities : public ::testing::TestWithParam<EntityCase> {};

TEST_P(Entities, DecodeInText)
{
    THyperParse parser;
    parser.Parse(GetParam().input);
    ASSERT_EQ(parser.Count(), 1);
    EXPECT_FALSE(parser.Item(0).IsTag);
    EXPECT_EQ(parser.Item(0).Text, GetParam().decoded);
    EXPECT_EQ(DecodeEntities(GetParam().input), GetParam().decoded);
}

INSTANTIATE_TEST_SUITE_P(
    Markup, Entities,
    ::testing::Values(
        EntityCase{"Amp", QStringLiteral("&amp;"), QStringLiteral("&")},
        EntityCase{"NumericQuote", QStringLiteral("&#34;"), QStringLiteral("\"")},
        EntityCase{"FourDigitsStay", QStringLiteral("&#0034;"), QStringLiteral("&#0034;")},
        EntityCase{"AboveTheTableStays", QStringLiteral("&#300;"), QStringLiteral("&#300;")},
        EntityCase{"UnknownNameStays", QStringLiteral("&bogus;"), QStringLiteral("&bogus;")},
        EntityCase{"NamesAreCaseSensitive", QStringLiteral("&AMP; &Eacute;&eacute;"),
                   QStringLiteral("&AMP; \u00C9\u00E9")},
        EntityCase{"TheFourOfMarkup", QStringLiteral("&quot;&amp;&lt;&gt;"), QStringLiteral("\"&<>")},
        EntityCase{"FirstAndLastLatin1Names", QStringLiteral("a&iexcl;&yuml;&thorn;&frac14;"),
                   QStringLiteral("a\u00A1\u00FF\u00FE\u00BC")},
        EntityCase{"NoBreakSpaceIsASpace", QStringLiteral("a&nbsp;b&#160;c"), QStringLiteral("a b c")},
        EntityCase{"ControlCodesAreSpaces", QStringLiteral("a&#9;b&#0;c&#31;d&#32;e"),
                   QStringLiteral("a b c d e")},
        EntityCase{"Hexadecimal", QStringLiteral("&#x41;&#X6a;&#xff;"), QStringLiteral("Aj\u00FF")},
        EntityCase{"HexadecimalAboveTheTable", QStringLiteral("&#x100;&#xfff;"), QStringLiteral("&#x100;&#xfff;")},
        EntityCase{"SpaceTerminatesAndIsTaken", QStringLiteral("&#65 b"), QStringLiteral("Ab")},
        EntityCase{"NamedWithASpaceStays", QStringLiteral("&amp x"), QStringLiteral("&amp x")},
        EntityCase{"NotANumber", QStringLiteral("&#; &#x; &#1a; &#xg; &#-1; &#+1;"),
                   QStringLiteral("&#; &#x; &#1a; &#xg; &#-1; &#+1;")},
        EntityCase{"NoTerminator", QStringLiteral("&amp"), QStringLiteral("&amp")},
        EntityCase{"DecodedOnce", QStringLiteral("&amp;amp;"), QStringLiteral("&amp;")},
        EntityCase{"AmpersandBeforeAnEntity", QStringLiteral("&&amp;"), QStringLiteral("&&")},
        EntityCase{"LoneAmpersands", QStringLiteral("Tom & Jerry &"), QStringLiteral("Tom & Jerry &")},
        EntityCase{"NonLatinDigitsAreNoNumber", QStringLiteral("&#\u0663;"), QStringLiteral("&#\u0663;")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HyperParse, TableHoldsTheHundredNames)
{
    static const char* const names[] = {
        "quot", "amp", "lt", "gt", "nbsp", "iexcl", "cent", "pound", "curren", "yen", "brvbar",
        "sect", "uml", "copy", "ordf", "laquo", "not", "shy", "reg", "macr", "deg", "plusmn",
        "sup2", "sup3", "acute", "micro", "para", "middot", "cedil", "sup1", "ordm", "raquo",
        "frac14", "frac12", "frac34", "iquest", "Agrave", "Aacute", "Acirc", "Atilde", "Auml",
        "Aring", "AElig", "Ccedil", "Egrave", "Eacute", "Ecirc", "Euml", "Igrave", "Iacute",
        "Icirc", "Iuml", "ETH", "Ntilde", "Ograve", "Oacute", "Ocirc", "Otilde", "Ouml", "times",
        "Oslash", "Ugrave", "Uacute", "Ucirc", "Uuml", "Yacute", "THORN", "szlig", "agrave",
        "aacute", "acirc", "atilde", "auml", "aring", "aelig", "ccedil", "egrave", "eacute",
        "ecirc", "euml", "igrave", "iacute", "icirc", "iuml", "eth", "ntilde", "ograve", "oacute",
        "ocirc", "otilde", "ouml", "divide", "oslash", "ugrave", "uacute", "ucirc", "uuml",
        "yacute", "thorn", "yuml"};
    ASSERT_EQ(std::size(names), 100u);
    for (size_t i = 0; i < std::size(names); ++i) {
        const int code = i < 4 ? QList<int>{34, 38, 60, 62}[static_cast<qsizetype>(i)] : 160 + static_cast<int>(i) - 4;
        const QString entity = QLatin1Char('&') + QLatin1String(names[i]) + QLatin1Char(';');
        EXPECT_EQ(DecodeEntities(entity), QString(QChar(code == 160 ? 32 : code))) << names[i];
        // the same entity as a numeric reference decodes alike
        EXPECT_EQ(DecodeEntities(QStringLiteral("&#%1;").arg(code)), DecodeEntities(entity)) << names[i];
    }
}

TEST(HyperParse, ParameterValueByNameIgnoresCase)
{
    THyperParse parser;
    parser.Parse(QStringLiteral("<A HREF=\"one\" href=two Target=\"_top\" flag>"));
    ASSERT_EQ(parser.Count(), 1);
    const THtmlInfo& tag = parser.Item(0);
    EXPECT_EQ(tag.ParamValue(QStringLiteral("href")), QStringLiteral("one"));
    EXPECT_EQ(tag.ParamValue(QStringLiteral("TARGET")), QStringLiteral("_top"));
    EXPECT_EQ(tag.ParamValue(QStringLiteral("flag")), QString());
    EXPECT_EQ(tag.ParamValue(QStringLiteral("missing")), QString());
}

TEST(HyperParse, EachParseStartsAfresh)
{
    THyperParse parser;
    parser.Parse(QStringLiteral("<b>x</b>"));
    EXPECT_EQ(parser.Count(), 3);
    parser.Parse(QStringLiteral("y"));
    ASSERT_EQ(parser.Count(), 1);
    EXPECT_EQ(parser.Item(0).Text, QStringLiteral("y"));
}

TEST(HyperParse, ManyAmpersandsWithoutTerminatorStayLinear)
{
    // each "&" would otherwise look for its terminator to the end of the text
    const QString text(1 << 20, u'&');
    EXPECT_EQ(DecodeEntities(text), text);
}

} // namespace
} // namespace gaugeloft::update
