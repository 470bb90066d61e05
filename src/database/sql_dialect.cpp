#include "database/sql_dialect.h"

#include <QDate>
#include <QTime>
#include <vector>

namespace qel {

namespace {

enum class TokenKind : uint8_t { Word, Number, Param, Text, Name, Symbol, Blank };

struct Token {
    TokenKind Kind;
    qsizetype Start;
    qsizetype Length;
};

bool IsWordStart(QChar c) {
    return c.isLetter() || c == u'_' || c == u'@' || c == u'#';
}

bool IsWordPart(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'@' || c == u'#' || c == u'$';
}

bool IsParamPart(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}

// Runs to the closing aClose; a doubled closing character stays inside. Unclosed: to the end.
qsizetype SkipQuoted(const QString& aSql, qsizetype aPos, QChar aClose) {
    const qsizetype length = aSql.size();
    qsizetype pos = aPos + 1;
    while (pos < length) {
        if (aSql[pos] == aClose) {
            if (pos + 1 < length && aSql[pos + 1] == aClose) {
                pos += 2;
                continue;
            }
            return pos + 1;
        }
        ++pos;
    }
    return length;
}

// Splits a statement into tokens; comments and white space are Blank.
std::vector<Token> Tokenize(const QString& aSql) {
    std::vector<Token> tokens;
    const qsizetype length = aSql.size();
    qsizetype pos = 0;
    while (pos < length) {
        const qsizetype start = pos;
        const QChar c = aSql[pos];
        TokenKind kind = TokenKind::Symbol;
        if (c.isSpace()) {
            while (pos < length && aSql[pos].isSpace()) {
                ++pos;
            }
            kind = TokenKind::Blank;
        } else if (c == u'-' && pos + 1 < length && aSql[pos + 1] == u'-') {
            while (pos < length && aSql[pos] != u'\n' && aSql[pos] != u'\r') {
                ++pos;
            }
            kind = TokenKind::Blank;
        } else if (c == u'/' && pos + 1 < length && aSql[pos + 1] == u'*') {
            const qsizetype end = aSql.indexOf(QStringLiteral("*/"), pos + 2);
            pos = end < 0 ? length : end + 2;
            kind = TokenKind::Blank;
        } else if (c == u'\'') {
            pos = SkipQuoted(aSql, pos, u'\'');
            kind = TokenKind::Text;
        } else if (c == u'"') {
            pos = SkipQuoted(aSql, pos, u'"');
            kind = TokenKind::Name;
        } else if (c == u'[') {
            pos = SkipQuoted(aSql, pos, u']');
            kind = TokenKind::Name;
        } else if (c == u':' && pos + 1 < length && aSql[pos + 1] == u':') {
            pos += 2;
        } else if (c == u':' && pos + 1 < length && IsParamPart(aSql[pos + 1])) {
            ++pos;
            while (pos < length && IsParamPart(aSql[pos])) {
                ++pos;
            }
            kind = TokenKind::Param;
        } else if (c.isDigit()) {
            while (pos < length && (aSql[pos].isLetterOrNumber() || aSql[pos] == u'.')) {
                ++pos;
            }
            kind = TokenKind::Number;
        } else if (IsWordStart(c)) {
            while (pos < length && IsWordPart(aSql[pos])) {
                ++pos;
            }
            kind = TokenKind::Word;
        } else {
            ++pos;
        }
        tokens.push_back({kind, start, pos - start});
    }
    return tokens;
}

class TokenReader {
public:
    explicit TokenReader(const QString& aSql) : FSql(aSql), FTokens(Tokenize(aSql)) {}

    const std::vector<Token>& Tokens() const { return FTokens; }
    QStringView Of(const Token& aToken) const {
        return QStringView(FSql).mid(aToken.Start, aToken.Length);
    }
    QStringView Of(size_t anIndex) const { return Of(FTokens[anIndex]); }

    // The index of the next token at or after anIndex that is not Blank; size() when none.
    size_t Next(size_t anIndex) const {
        while (anIndex < FTokens.size() && FTokens[anIndex].Kind == TokenKind::Blank) {
            ++anIndex;
        }
        return anIndex;
    }
    bool IsWord(size_t anIndex, QStringView aWord) const {
        return anIndex < FTokens.size() && FTokens[anIndex].Kind == TokenKind::Word &&
               Of(anIndex).compare(aWord, Qt::CaseInsensitive) == 0;
    }
    bool IsSymbol(size_t anIndex, QChar aSymbol) const {
        return anIndex < FTokens.size() && FTokens[anIndex].Kind == TokenKind::Symbol &&
               Of(anIndex).front() == aSymbol;
    }
    bool IsName(size_t anIndex) const {
        return anIndex < FTokens.size() && (FTokens[anIndex].Kind == TokenKind::Word ||
                                            FTokens[anIndex].Kind == TokenKind::Name);
    }

private:
    const QString& FSql;
    std::vector<Token> FTokens;
};

QString Unquote(QStringView aName) {
    if (aName.size() >= 2 && (aName.front() == u'"' || aName.front() == u'[')) {
        const QChar close = aName.front() == u'"' ? u'"' : u']';
        QString inner = aName.mid(1, aName.size() - 2).toString();
        inner.replace(QString(2, close), QString(close));
        return inner;
    }
    return aName.toString();
}

// "top n" or "top (n)" after a select at anIndex (pointing at the select word). On success
// gives the number and the index of the token after the clause.
bool MatchTop(const TokenReader& aReader, size_t aSelect, size_t& aTopStart, size_t& anAfter,
              QString& aCount) {
    size_t i = aReader.Next(aSelect + 1);
    if (aReader.IsWord(i, u"distinct") || aReader.IsWord(i, u"all")) {
        i = aReader.Next(i + 1);
    }
    if (!aReader.IsWord(i, u"top")) {
        return false;
    }
    aTopStart = i;
    i = aReader.Next(i + 1);
    const auto& tokens = aReader.Tokens();
    if (i < tokens.size() && tokens[i].Kind == TokenKind::Number) {
        aCount = aReader.Of(i).toString();
        ++i;
    } else if (aReader.IsSymbol(i, u'(')) {
        const size_t number = aReader.Next(i + 1);
        const size_t close = aReader.Next(number + 1);
        if (number >= tokens.size() || tokens[number].Kind != TokenKind::Number ||
            !aReader.IsSymbol(close, u')')) {
            return false;
        }
        aCount = aReader.Of(number).toString();
        i = close + 1;
    } else {
        return false;
    }
    bool isInteger = false;
    aCount.toLongLong(&isInteger);
    // "top n percent" and "with ties" have no SQLite form: such text is left as it is.
    const size_t after = aReader.Next(i);
    if (!isInteger || aReader.IsWord(after, u"percent") || aReader.IsWord(after, u"with")) {
        return false;
    }
    anAfter = i;
    return true;
}

}  // namespace

QStringList ParseParamNames(const QString& aSql) {
    QStringList names;
    const TokenReader reader(aSql);
    for (const Token& token : reader.Tokens()) {
        if (token.Kind == TokenKind::Param) {
            const QString name = reader.Of(token).mid(1).toString();
            if (!names.contains(name, Qt::CaseInsensitive)) {
                names << name;
            }
        }
    }
    return names;
}

PreparedStatement PrepareStatement(const QString& aSql, SqlDialect aDialect) {
    PreparedStatement result;
    const TokenReader reader(aSql);
    const auto& tokens = reader.Tokens();
    const bool sqlite = aDialect == SqlDialect::SQLite;

    // Limits waiting for the end of their select, by bracket depth.
    struct PendingLimit {
        int Depth;
        QString Count;
    };
    std::vector<PendingLimit> pending;
    int depth = 0;
    // Where text may be added at the end of a select: after its last token that is not Blank.
    qsizetype endOfText = 0;
    auto flushLimits = [&](int aDepth) {
        while (!pending.empty() && pending.back().Depth == aDepth) {
            result.Text.insert(endOfText, QStringLiteral(" limit ") + pending.back().Count);
            endOfText += 7 + pending.back().Count.size();
            pending.pop_back();
        }
    };

    size_t i = 0;
    if (sqlite) {
        const size_t first = reader.Next(0);
        const size_t second = reader.Next(first + 1);
        if (reader.IsWord(first, u"truncate") && reader.IsWord(second, u"table")) {
            for (size_t k = 0; k < first; ++k) {
                result.Text += reader.Of(k);
            }
            result.Text += QStringLiteral("delete from");
            endOfText = result.Text.size();
            i = second + 1;
        }
    }
    for (; i < tokens.size(); ++i) {
        const Token& token = tokens[i];
        if (token.Kind == TokenKind::Param) {
            result.ParamNames << reader.Of(token).mid(1).toString();
            result.Text += u'?';
        } else if (sqlite && token.Kind == TokenKind::Word &&
                   reader.Of(token).compare(u"select", Qt::CaseInsensitive) == 0) {
            size_t topStart = 0;
            size_t after = 0;
            QString count;
            if (MatchTop(reader, i, topStart, after, count)) {
                // Keep the select (and distinct) and drop the clause with the blank after it.
                for (size_t k = i; k < topStart; ++k) {
                    result.Text += reader.Of(k);
                }
                pending.push_back({depth, count});
                i = reader.Next(after) - 1;
                endOfText = result.Text.size();
                continue;
            }
            result.Text += reader.Of(token);
        } else if (token.Kind == TokenKind::Symbol && reader.Of(token).front() == u')') {
            flushLimits(depth);
            depth = std::max(0, depth - 1);
            result.Text += u')';
        } else if (token.Kind == TokenKind::Symbol && reader.Of(token).front() == u';' &&
                   depth == 0) {
            flushLimits(0);
            result.Text += u';';
        } else {
            if (token.Kind == TokenKind::Symbol && reader.Of(token).front() == u'(') {
                ++depth;
            }
            result.Text += reader.Of(token);
        }
        if (token.Kind != TokenKind::Blank) {
            endOfText = result.Text.size();
        }
    }
    while (!pending.empty()) {
        flushLimits(pending.back().Depth);
    }
    return result;
}

SelectTable FindSelectTable(const QString& aSql) {
    SelectTable result;
    const TokenReader reader(aSql);
    const auto& tokens = reader.Tokens();
    size_t i = reader.Next(0);
    if (!reader.IsWord(i, u"select")) {
        result.Reason = QStringLiteral("the statement is not a select");
        return result;
    }
    // Skip the select list, sub-selects included, up to the "from" of this select.
    int depth = 0;
    size_t from = tokens.size();
    for (size_t k = i + 1; k < tokens.size(); ++k) {
        if (reader.IsSymbol(k, u'(')) {
            ++depth;
        } else if (reader.IsSymbol(k, u')')) {
            --depth;
        } else if (depth == 0 && reader.IsWord(k, u"distinct")) {
            result.Reason = QStringLiteral("it selects distinct rows");
            return result;
        } else if (depth == 0 && reader.IsWord(k, u"from")) {
            from = k;
            break;
        }
    }
    size_t k = reader.Next(from + 1);
    if (!reader.IsName(k)) {
        result.Reason = QStringLiteral("it reads from no single table");
        return result;
    }
    // [schema.]table, the last part being the table.
    result.Table = Unquote(reader.Of(k));
    k = reader.Next(k + 1);
    while (reader.IsSymbol(k, u'.') && reader.IsName(reader.Next(k + 1))) {
        result.Schema = result.Table;
        k = reader.Next(k + 1);
        result.Table = Unquote(reader.Of(k));
        k = reader.Next(k + 1);
    }
    static const QStringList kClauseWords = {
        QStringLiteral("where"),  QStringLiteral("order"),     QStringLiteral("group"),
        QStringLiteral("having"), QStringLiteral("union"),     QStringLiteral("join"),
        QStringLiteral("inner"),  QStringLiteral("left"),      QStringLiteral("right"),
        QStringLiteral("full"),   QStringLiteral("cross"),     QStringLiteral("outer"),
        QStringLiteral("except"), QStringLiteral("intersect"), QStringLiteral("with"),
        QStringLiteral("limit"),  QStringLiteral("for"),       QStringLiteral("option")};
    auto isClauseWord = [&](size_t anIndex) {
        return anIndex < tokens.size() && tokens[anIndex].Kind == TokenKind::Word &&
               kClauseWords.contains(reader.Of(anIndex).toString(), Qt::CaseInsensitive);
    };
    // An alias, with or without "as".
    if (reader.IsWord(k, u"as")) {
        k = reader.Next(reader.Next(k + 1) + 1);
    } else if (reader.IsName(k) && !isClauseWord(k)) {
        k = reader.Next(k + 1);
    }
    // A table hint such as "with (nolock)" changes nothing about the source.
    if (reader.IsWord(k, u"with") && reader.IsSymbol(reader.Next(k + 1), u'(')) {
        k = reader.Next(k + 1);
        int hintDepth = 0;
        for (; k < tokens.size(); ++k) {
            hintDepth += reader.IsSymbol(k, u'(') ? 1 : reader.IsSymbol(k, u')') ? -1 : 0;
            if (hintDepth == 0) {
                break;
            }
        }
        ++k;
    }
    // The rest of this select must not bring in other rows.
    depth = 0;
    for (; k < tokens.size(); ++k) {
        if (reader.IsSymbol(k, u'(')) {
            ++depth;
        } else if (reader.IsSymbol(k, u')')) {
            --depth;
        } else if (depth == 0 && (reader.IsSymbol(k, u',') || reader.IsWord(k, u"join") ||
                                  reader.IsWord(k, u"group") || reader.IsWord(k, u"having") ||
                                  reader.IsWord(k, u"union") || reader.IsWord(k, u"except") ||
                                  reader.IsWord(k, u"intersect") || reader.IsWord(k, u"apply"))) {
            result.Reason = QStringLiteral("it combines rows of several tables or groups them");
            result.Schema.clear();
            result.Table.clear();
            return result;
        }
    }
    return result;
}

QString QuoteIdentifier(const QString& aName, SqlDialect aDialect) {
    if (aDialect == SqlDialect::SQLite) {
        QString doubled = aName;
        doubled.replace(QStringLiteral("\""), QStringLiteral("\"\""));
        return u'"' + doubled + u'"';
    }
    QString doubled = aName;
    doubled.replace(QStringLiteral("]"), QStringLiteral("]]"));
    return u'[' + doubled + u']';
}

namespace {

const QDate kDayZero(1899, 12, 30);

void SplitDateTime(TDateTime aValue, QDate& aDate, QTime& aTime) {
    const int64_t ms = DateTimeToMs(aValue);
    int64_t day = ms / kMSecsPerDay;
    int64_t msOfDay = ms % kMSecsPerDay;
    if (msOfDay < 0) {
        --day;
        msOfDay += kMSecsPerDay;
    }
    aDate = kDayZero.addDays(day);
    aTime = QTime::fromMSecsSinceStartOfDay(static_cast<int>(msOfDay));
}

}  // namespace

QVariant DateTimeToSqlValue(TDateTime aValue, SqlDialect aDialect) {
    if (aDialect == SqlDialect::SQLite) {
        return DateTimeToSqlText(aValue);
    }
    QDate date;
    QTime time;
    SplitDateTime(aValue, date, time);
    return QDateTime(date, time, Qt::UTC);
}

QString DateTimeToSqlText(TDateTime aValue) {
    QDate date;
    QTime time;
    SplitDateTime(aValue, date, time);
    return QStringLiteral("%1-%2-%3 %4:%5:%6.%7")
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(time.hour(), 2, 10, QLatin1Char('0'))
        .arg(time.minute(), 2, 10, QLatin1Char('0'))
        .arg(time.second(), 2, 10, QLatin1Char('0'))
        .arg(time.msec(), 3, 10, QLatin1Char('0'));
}

bool SqlTextToDateTime(const QString& aText, TDateTime& aValue) {
    const QString text = aText.trimmed();
    // yyyy-mm-dd[( |T)hh:nn[:ss[.fraction]]]
    auto digits = [&](qsizetype aPos, qsizetype aCount, int& aNumber) {
        if (aPos + aCount > text.size()) {
            return false;
        }
        aNumber = 0;
        for (qsizetype i = aPos; i < aPos + aCount; ++i) {
            if (!text[i].isDigit() || text[i].unicode() > u'9') {
                return false;
            }
            aNumber = aNumber * 10 + (text[i].unicode() - u'0');
        }
        return true;
    };
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
    if (text.size() < 10 || !digits(0, 4, year) || text[4] != u'-' || !digits(5, 2, month) ||
        text[7] != u'-' || !digits(8, 2, day)) {
        return false;
    }
    qsizetype pos = 10;
    if (pos < text.size()) {
        if ((text[pos] != u' ' && text[pos] != u'T') || !digits(pos + 1, 2, hour) ||
            pos + 3 >= text.size() || text[pos + 3] != u':' || !digits(pos + 4, 2, minute)) {
            return false;
        }
        pos += 6;
        if (pos < text.size()) {
            if (text[pos] != u':' || !digits(pos + 1, 2, second)) {
                return false;
            }
            pos += 3;
            if (pos < text.size()) {
                if (text[pos] != u'.' || pos + 1 >= text.size()) {
                    return false;
                }
                // Milliseconds from the first three digits, the rest rounded in.
                int fraction = 0;
                qsizetype count = 0;
                for (qsizetype i = pos + 1; i < text.size(); ++i, ++count) {
                    if (!text[i].isDigit() || text[i].unicode() > u'9') {
                        return false;
                    }
                    if (count < 4) {
                        fraction = fraction * 10 + (text[i].unicode() - u'0');
                    }
                }
                for (qsizetype c = std::min<qsizetype>(count, 4); c < 4; ++c) {
                    fraction *= 10;
                }
                ms = (fraction + 5) / 10;
            }
        }
    }
    const QDate date(year, month, day);
    if (!date.isValid() || hour > 23 || minute > 59 || second > 59) {
        return false;
    }
    const int64_t total = kDayZero.daysTo(date) * kMSecsPerDay +
                          ((hour * 60 + minute) * 60 + second) * int64_t{1000} + ms;
    aValue = MsToDateTime(total);
    return true;
}

}  // namespace qel
