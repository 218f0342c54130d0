#include "booklocation.h"

#include <QStandardPaths>
#include <QStringList>
#include <QUrlQuery>

namespace porv {

namespace {

QString decoded(const QString &part)
{
    return QString::fromUtf8(QByteArray::fromPercentEncoding(part.toUtf8()));
}

BookError refused(const QString &message)
{
    return BookError::Fail(BookFailure::Location, message);
}

bool isUrl(const QString &text)
{
    return text.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive)
        || text.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

// The URL as messages show it: scheme, user, host, port and database, never
// a password or the other parameters.
QString safeUrl(const BookLocation &l)
{
    QString host = l.host;
    if (host.startsWith(QLatin1Char('/')))
        host = QString::fromLatin1(host.toUtf8().toPercentEncoding());
    else if (host.contains(QLatin1Char(':')))
        host = QLatin1Char('[') + host + QLatin1Char(']');
    QString out = QStringLiteral("postgresql://");
    if (!l.user.isEmpty())
        out += QString::fromLatin1(l.user.toUtf8().toPercentEncoding()) + QLatin1Char('@');
    out += host;
    if (l.port >= 0)
        out += QLatin1Char(':') + QString::number(l.port);
    return out + QLatin1Char('/') + QString::fromLatin1(l.database.toUtf8().toPercentEncoding());
}

bool readPort(const QString &text, int &port)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 1 || value > 65535)
        return false;
    port = value;
    return true;
}

BookResult<BookLocation> parseUrl(const QString &text)
{
    BookLocation l;
    l.backend = BookBackend::PostgreSQL;
    const int schemeEnd = text.indexOf(QLatin1String("://")) + 3;
    QString rest = text.mid(schemeEnd);
    QString query;
    if (const int q = rest.indexOf(QLatin1Char('?')); q >= 0) {
        query = rest.mid(q + 1);
        rest.truncate(q);
    }
    const int slash = rest.indexOf(QLatin1Char('/'));
    const QString authority = slash >= 0 ? rest.left(slash) : rest;
    l.database = decoded(slash >= 0 ? rest.mid(slash + 1) : QString());

    QString hostPort = authority;
    bool password = false;
    if (const int at = authority.lastIndexOf(QLatin1Char('@')); at >= 0) {
        const QString userInfo = authority.left(at);
        hostPort = authority.mid(at + 1);
        const int colon = userInfo.indexOf(QLatin1Char(':'));
        password = colon >= 0;
        l.user = decoded(colon >= 0 ? userInfo.left(colon) : userInfo);
    }
    QString portText;
    if (hostPort.startsWith(QLatin1Char('['))) {
        const int close = hostPort.indexOf(QLatin1Char(']'));
        if (close < 0)
            return refused(QStringLiteral("The site book address %1 is not a PostgreSQL URL: its host has no closing \"]\".")
                               .arg(QStringLiteral("postgresql://…")));
        l.host = hostPort.mid(1, close - 1);
        const QString after = hostPort.mid(close + 1);
        if (after.startsWith(QLatin1Char(':')))
            portText = after.mid(1);
    } else {
        const int colon = hostPort.lastIndexOf(QLatin1Char(':'));
        l.host = decoded(colon >= 0 ? hostPort.left(colon) : hostPort);
        if (colon >= 0)
            portText = hostPort.mid(colon + 1);
    }

    QStringList unknown;
    bool badPort = !portText.isEmpty() && !readPort(portText, l.port);
    bool badTimeout = false;
    const QUrlQuery params(query);
    for (const auto &item : params.queryItems(QUrl::FullyDecoded)) {
        const QString key = item.first;
        if (key == QLatin1String("password")) {
            password = true;
        } else if (key == QLatin1String("host")) {
            l.host = item.second;
        } else if (key == QLatin1String("port")) {
            badPort = badPort || !readPort(item.second, l.port);
        } else if (key == QLatin1String("sslmode")) {
            l.sslmode = item.second;
        } else if (key == QLatin1String("connect_timeout")) {
            bool ok = false;
            l.connectTimeout = item.second.toInt(&ok);
            badTimeout = !ok || l.connectTimeout < 1;
        } else {
            unknown.append(key);
        }
    }
    const QString name = safeUrl(l);
    if (password)
        return refused(QStringLiteral("The site book address %1 holds a password: it is not used. Give the password "
                                      "through PGPASSWORD or the password file (~/.pgpass, or the file PGPASSFILE "
                                      "names), never in the address.")
                           .arg(name));
    if (l.database.isEmpty())
        return refused(QStringLiteral("The site book address %1 names no database: write it as "
                                      "postgresql://user@host/dbname.")
                           .arg(name));
    if (badPort)
        return refused(QStringLiteral("The site book address %1 has a port that is not a number from 1 to 65535.").arg(name));
    if (badTimeout)
        return refused(QStringLiteral("The site book address %1 has a connect_timeout that is not a number of seconds.").arg(name));
    if (!unknown.isEmpty())
        return refused(QStringLiteral("The site book address %1 has a parameter this program does not use: %2 "
                                      "(it knows host, port, sslmode and connect_timeout).")
                           .arg(name, unknown.join(QStringLiteral(", "))));
    if (!l.sslmode.isEmpty()
        && !QStringList{QStringLiteral("disable"), QStringLiteral("allow"), QStringLiteral("prefer"),
                        QStringLiteral("require"), QStringLiteral("verify-ca"), QStringLiteral("verify-full")}
                .contains(l.sslmode))
        return refused(QStringLiteral("The site book address %1 has an sslmode PostgreSQL does not know.").arg(name));
    return l;
}

} // namespace

QString BookLocation::Name() const
{
    return backend == BookBackend::SQLite ? file : safeUrl(*this);
}

QString DefaultBookFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
         + QStringLiteral("/porv-pro/sitebook.sqlite");
}

BookResult<BookLocation> ParseBookLocation(const QString &text)
{
    if (isUrl(text))
        return parseUrl(text);
    if (text.contains(QLatin1String("://")))
        return refused(QStringLiteral("The site book address %1 is neither a postgresql:// URL nor a file.")
                           .arg(text.left(text.indexOf(QLatin1String("://")) + 3) + QStringLiteral("…")));
    BookLocation l;
    l.file = text.isEmpty() ? DefaultBookFile() : text;
    return l;
}

} // namespace porv
