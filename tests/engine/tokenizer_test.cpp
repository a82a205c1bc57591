#include "interpreter/engine/engine.h"
#include "interpreter/engine/errors.h"
#include "interpreter/engine/keywords.h"
#include "interpreter/engine/statement.h"
#include "interpreter/engine/tokenizer.h"
#include "interpreter/engine/variables.h"

#include <gtest/gtest.h>

#include <map>

using namespace zrv::engine;

namespace {

struct Tokens {
    int error = 0;
    std::vector<unsigned char> bytes;
    std::vector<std::string> strings;
    std::vector<std::int32_t> numbers;
};

Tokens tokenize(std::string_view line, std::map<std::string, std::string> vars = {}) {
    TokenLine t;
    StringPool s;
    NumberPool n;
    Tokens out;
    out.error = Tokenize(t, line, s, n, [&](std::string_view name) {
        auto it = vars.find(std::string(name));
        return it == vars.end() ? std::string() : it->second;
    });
    out.bytes.assign(t.tokens.begin(), t.tokens.begin() + static_cast<std::ptrdiff_t>(t.length));
    for (std::size_t i = 0; i < s.size(); ++i)
        out.strings.push_back(s.at(i));
    for (std::size_t i = 0; i < n.size(); ++i)
        out.numbers.push_back(n.at(i));
    return out;
}

unsigned char code(Keyword k) { return static_cast<unsigned char>(0x80 + static_cast<int>(k)); }

TEST(KeywordTable, OrderCodesAndConstants) {
    EXPECT_EQ(kKeywords[0].text, "SET ");
    EXPECT_EQ(kKeywords[122].text, "REGDELETESETTING(");
    EXPECT_EQ(kKeywords[123].text, "GETWINVER(");
    EXPECT_EQ(kKeywords[145].text, "GETSCREENWIDTH(");
    EXPECT_EQ(keywordEntry(Keyword::IdBack).value, 9);
    EXPECT_EQ(keywordEntry(Keyword::MbIconStop).value, 16);
    EXPECT_EQ(keywordEntry(Keyword::Not).kind, KeywordKind::Function);
    // Prefix pairs: the longer keyword must come first.
    auto pos = [](std::string_view t) {
        for (std::size_t i = 0; i < kKeywords.size(); ++i)
            if (kKeywords[i].text == t)
                return i;
        return kKeywords.size();
    };
    EXPECT_LT(pos("=="), pos(":") + 10);
    EXPECT_LT(pos(">="), pos(">"));
    EXPECT_LT(pos("MB_OKCANCEL"), pos("MB_OK"));
    EXPECT_LT(pos("MB_YESNOCANCEL"), pos("MB_YESNO"));
    EXPECT_LT(pos("EXITWINDOWS("), pos("EXIT"));
    EXPECT_LT(pos("READLINE("), pos("READ"));
    EXPECT_LT(pos("WRITELINE("), pos("WRITE"));
}

TEST(Tokenizer, FoldsCaseOutsideQuotes) {
    Tokens a = tokenize("set %a% = \"Yes\"");
    Tokens b = tokenize("SET %A% = \"Yes\"");
    EXPECT_EQ(a.bytes, b.bytes);
    EXPECT_EQ(a.strings, (std::vector<std::string>{"A", "Yes"}));
}

TEST(Tokenizer, IfLineTokens) {
    Tokens t = tokenize("IF %A% >= 3 GOTO :L");
    EXPECT_EQ(t.error, 0);
    EXPECT_EQ(t.bytes, (std::vector<unsigned char>{code(Keyword::If), kTokenVariable, code(Keyword::GreaterEqual),
                                                    kTokenNumber, code(Keyword::Goto), kTokenLabel}));
    EXPECT_EQ(t.strings, (std::vector<std::string>{"A", "L"}));
    EXPECT_EQ(t.numbers, std::vector<std::int32_t>{3});
}

TEST(Tokenizer, KeywordsNeedTheirExactText) {
    Tokens tab = tokenize("SET\t%A% = 1");
    EXPECT_EQ(tab.bytes[0], 'S');
    Tokens constant = tokenize("MB_YESNOCANCEL");
    EXPECT_EQ(constant.bytes, std::vector<unsigned char>{kTokenNumber});
    EXPECT_EQ(constant.numbers, std::vector<std::int32_t>{3});
    Tokens escaped = tokenize("GETWINVER(%V%)");
    EXPECT_EQ(escaped.bytes[0], kTokenEscape);
    EXPECT_EQ(escaped.bytes[1], 0x80);
    Tokens word = tokenize("SET %A% = HELLO");
    EXPECT_EQ(word.bytes.back(), 'O');
    EXPECT_TRUE(word.numbers.empty());
}

TEST(Tokenizer, NumbersSignsAndWrapAround) {
    EXPECT_EQ(tokenize("SET %X% = %Y% -1").numbers, std::vector<std::int32_t>{-1});
    Tokens spaced = tokenize("SET %X% = %Y% - 1");
    EXPECT_EQ(spaced.numbers, std::vector<std::int32_t>{1});
    EXPECT_NE(std::find(spaced.bytes.begin(), spaced.bytes.end(), '-'), spaced.bytes.end());
    EXPECT_EQ(tokenize("4294967295").numbers, std::vector<std::int32_t>{-1});
    EXPECT_EQ(tokenize("+7").numbers, std::vector<std::int32_t>{7});
}

TEST(Tokenizer, StringLiteralEscapes) {
    struct {
        const char* line;
        const char* text;
    } cases[] = {
        {"\"50^37 done\"", "50% done"}, {"\"a^^b\"", "a^b"},          {"\"a^xb\"", "a^xb"},
        {"\"one|two\"", "one\ntwo"},    {"\"%%\"", "%"},             {"\"^65\"", "A"},
        {"\"^9x\"", "\tx"},             {"\"^3a7z\"", "\x03z"},      {"\"A//B\"", "A//B"},
        {"\"v=%V%.\"", "v=val."},       {"\"%NOSUCH%\"", ""},        {"\"^300\"", ","},
    };
    for (auto c : cases) {
        Tokens t = tokenize(c.line, {{"V", "val"}});
        ASSERT_EQ(t.error, 0) << c.line;
        ASSERT_EQ(t.strings.size(), 1u) << c.line;
        EXPECT_EQ(t.strings[0], c.text) << c.line;
    }
}

TEST(Tokenizer, CommentsAndLabels) {
    Tokens t = tokenize("GOTO :LABEL // comment");
    EXPECT_EQ(t.strings, std::vector<std::string>{"LABEL"});
    Tokens p = tokenize("CHECKLABEL(:A,B)");
    EXPECT_EQ(p.strings, std::vector<std::string>{"A,B)"}); // punctuation belongs to a label
    Tokens empty = tokenize(": X");
    EXPECT_EQ(empty.strings, std::vector<std::string>{""});
}

TEST(Tokenizer, Errors) {
    struct {
        std::string line;
        int error;
    } cases[] = {
        {"\"open", kErrInvalidString},
        {":" + std::string(20, 'L'), kErrLabelTooLong},
        {"%" + std::string(20, 'V') + "%", kErrNameTooLong},
        {"%ABC", kErrNameTooLong},
        {"\"%ABC", kErrInvalidVariable},
        {"\"%" + std::string(20, 'V') + "%\"", kErrNameTooLong},
        {"\"%BIG%%BIG%\"", kErrConcatTooLong},
    };
    for (auto& c : cases)
        EXPECT_EQ(tokenize(c.line, {{"BIG", std::string(200, 'b')}}).error, c.error) << c.line;
    std::string ok19 = ":" + std::string(19, 'L');
    EXPECT_EQ(tokenize(ok19).error, 0);
}

TEST(Tokenizer, PoolsHoldTwentyFive) {
    std::string line, over;
    for (int i = 0; i < 25; ++i)
        line += "\"s\" ";
    EXPECT_EQ(tokenize(line).error, 0);
    EXPECT_EQ(tokenize(line + "\"s\"").error, kErrStackFull);
    std::string nums;
    for (int i = 0; i < 26; ++i)
        nums += "1 ";
    EXPECT_EQ(tokenize(nums).error, kErrStackFull);
}

TEST(Tokenizer, HighBytesOutsideQuotesNeverBecomeKeywordCodes) {
    Tokens t = tokenize("\x8c\xff\xfb X");
    for (unsigned char b : t.bytes)
        EXPECT_LT(b, 0x80);
    EXPECT_EQ(t.bytes[0], kForeignByte);
    Tokens quoted = tokenize("\"\xe9t\xe9\"");
    EXPECT_EQ(quoted.strings, std::vector<std::string>{"\xe9t\xe9"});
}

TEST(Tokenizer, LongLinesAreReadToThreeHundredCharacters) {
    std::string line = "\"" + std::string(298, 'x') + "\"";
    EXPECT_EQ(tokenize(line).error, 0);
    EXPECT_EQ(tokenize(line + "zzz").error, 0);
    std::string tooLong = "\"" + std::string(310, 'x') + "\"";
    EXPECT_EQ(tokenize(tooLong).error, kErrInvalidString); // cut at 300: the quote is lost
}

} // namespace

namespace {

// A statement line over a tokenized line, with its own pools and variables.
struct Loaded {
    TokenLine line;
    StringPool strings;
    NumberPool numbers;
    VariableTable vars;
    StatementLine s;

    explicit Loaded(std::string_view text) {
        vars.SetVariable("N", " -1 2 ");
        vars.SetVariable("BAD", "12x");
        vars.SetVariable("WHO", "World");
        EXPECT_EQ(Tokenize(line, text, strings, numbers, [](std::string_view) { return std::string(); }), 0);
        s.load(line, strings, numbers, vars);
        (void)Engine::statementKeyword(s);
    }
};

TEST(StatementLine, ParametersAreReadByPositionInAnyOrder) {
    Loaded l(R"(REGGETINT(1, "Key", %N%, 7, %OUT%))");
    EXPECT_EQ(l.s.name(5), "OUT");
    EXPECT_EQ(l.s.GetNumericParam(4).value(), 7);
    EXPECT_EQ(l.s.GetStringParam(2), "Key");
    EXPECT_EQ(l.s.GetNumericParam(3).value(), -12); // blanks removed
    EXPECT_EQ(l.s.GetNumericParam(1).value(), 1);
    EXPECT_EQ(l.s.GetStringParam(2), "Key"); // reading again gives the same
}

TEST(StatementLine, NumericFaultsAreValuesNotState) {
    Loaded l(R"(MESSAGEBOX(%BAD%, "#WHO#", 3, %N%))");
    auto bad = l.s.GetNumericParam(1);
    EXPECT_FALSE(bad);
    EXPECT_EQ(bad.error(), kErrNumericParam);
    EXPECT_EQ(l.s.GetNumericParam(2).error(), kErrNumericParam); // a string token is no number
    EXPECT_EQ(*l.s.GetNumericParam(3), 3);                      // an earlier fault leaves no trace
    EXPECT_EQ(l.s.GetStringParam(2), "World");
    EXPECT_EQ(l.s.GetStringParam(2, Expand::No), "#WHO#");
    EXPECT_EQ(l.s.name(3), ""); // a number has no name
}

} // namespace
