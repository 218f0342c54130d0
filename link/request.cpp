#include "request.h"

#include <algorithm>

#include "delay.h"
#include "link.h"

namespace porv {

namespace {

const QByteArray CRLF("\r\n", 2);

using Verdict = ReplyJudgement::Verdict;

// Where the text after the first complete line holding "OK" begins; -1 when
// no such line has ended.
qsizetype afterFirstOkLine(const QByteArray &text)
{
    qsizetype start = 0;
    for (qsizetype end = text.indexOf(CRLF); end >= 0; end = text.indexOf(CRLF, start)) {
        if (text.mid(start, end - start).contains("OK"))
            return end + 2;
        start = end + 2;
    }
    return -1;
}

} // namespace

QList<QByteArray> LinesOf(const QByteArray &text)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype end = text.indexOf(CRLF, start);
        if (end < 0) {
            lines.append(text.mid(start));
            break;
        }
        lines.append(text.mid(start, end - start));
        start = end + 2;
    }
    return lines;
}

QList<QByteArray> Reply::Lines() const { return LinesOf(bytes); }

QByteArray Reply::Line(int n) const
{
    const QList<QByteArray> lines = Lines();
    return n >= 0 && n < lines.size() ? lines.at(n) : QByteArray();
}

// --- the pending reply ---------------------------------------------------------------

PendingReply::PendingReply(Link &link, ReplyRule rule, bool answerOwed)
    : m_link(link), m_rule(std::move(rule)), m_answerOwed(answerOwed), m_wasLoggedOn(link.LoggedOn())
{
    // A line the link had begun before the command went out ends at the next
    // line end: that much is the earlier line's, not this reply's.
    m_earlierLineOpen = !link.LineBuffer().isEmpty();
    m_text = QObject::connect(&link, &Link::textReceived, &link, [this](const QByteArray &received) {
        QByteArray chunk = received;
        if (m_earlierLineOpen) {
            const qsizetype end = chunk.indexOf(CRLF);
            if (end < 0)
                return;
            chunk.remove(0, end + 2);
            m_earlierLineOpen = false;
        }
        if (m_overflow)
            return;
        if (m_received.size() + chunk.size() > Link::MaxReceived) {
            m_overflow = true;
            return;
        }
        m_received += chunk;
    });
    m_close = QObject::connect(&link, &Link::linkClosed, &link, [this] { m_closed = true; });
}

PendingReply::~PendingReply()
{
    QObject::disconnect(m_text);
    QObject::disconnect(m_close);
}

PendingReply::Choice PendingReply::choose(bool *laterMayCome) const
{
    Choice own{0, m_rule.judge(m_received)};
    if (laterMayCome)
        *laterMayCome = false;
    if (!m_answerOwed)
        return own;
    const qsizetype after = afterFirstOkLine(m_received);
    if (after < 0) {
        if (laterMayCome)
            *laterMayCome = own.judgement.verdict == Verdict::NotOfForm;
        return own;
    }
    // An earlier command's answer first, then this one's whole: the earlier
    // answer is passed over. Otherwise the text is this reply's from its
    // start; while that reads wrong, the other may still come whole.
    const Choice later{after, m_rule.judge(m_received.mid(after))};
    if (later.judgement.verdict == Verdict::Complete)
        return later;
    if (laterMayCome)
        *laterMayCome = own.judgement.verdict == Verdict::NotOfForm && later.judgement.verdict == Verdict::NotYet;
    return own;
}

bool PendingReply::Whole() const { return !m_overflow && choose().judgement.verdict == Verdict::Complete; }

bool PendingReply::ended() const
{
    bool laterMayCome = false;
    const Choice choice = choose(&laterMayCome);
    return m_overflow || LinkLost() || choice.judgement.verdict == Verdict::Complete
        || (choice.judgement.verdict == Verdict::NotOfForm && !laterMayCome);
}

bool PendingReply::LinkLost() const { return m_closed || (m_wasLoggedOn && !m_link.LoggedOn()); }

Reply PendingReply::Result() const
{
    Reply reply;
    const Choice choice = choose();
    const QByteArray own = m_received.mid(choice.start);
    if (!m_overflow && choice.judgement.verdict == Verdict::Complete) {
        reply.outcome = ReplyOutcome::Complete;
        reply.bytes = own.left(choice.judgement.length);
        return reply;
    }
    reply.bytes = own;
    if (LinkLost())
        reply.outcome = ReplyOutcome::LinkLost;
    else if (choice.judgement.verdict == Verdict::NotOfForm)
        reply.outcome = ReplyOutcome::NotOfForm;
    else if (own.isEmpty() && !m_overflow)
        reply.outcome = ReplyOutcome::NoAnswer;
    else
        reply.outcome = ReplyOutcome::Incomplete;
    return reply;
}

Reply PendingReply::Wait()
{
    const ReplyWait &wait = m_rule.wait;
    if (wait.kind == ReplyWait::Kind::Fixed) {
        Delay(wait.ticks);
        return Result();
    }
    const int step = std::max(1, wait.step);
    int waited = 0;
    do {
        Delay(step);
        waited += step;
    } while (waited < wait.ticks && !ended());
    return Result();
}

Reply Request(Link &link, const QByteArray &command, const ReplyRule &rule)
{
    const bool owed = link.AnswerOwed();
    link.SendCommand(command + '\r');
    // Nothing is received between the transmission and the return of
    // SendCommand: what comes from here on answers this command (or an
    // earlier one still owed).
    PendingReply pending(link, rule, owed);
    return pending.Wait();
}

// --- rules of the link's own commands ----------------------------------------------------

ReplyRule BlockReplyRule(const QList<ReplyLineNeed> &needs, ReplyWait wait)
{
    int last = -1;
    for (const ReplyLineNeed &n : needs)
        last = std::max(last, n.line);
    ReplyRule rule;
    rule.wait = wait;
    rule.judge = [needs, last](const QByteArray &received) {
        const QList<QByteArray> lines = LinesOf(received);
        auto needOf = [&needs](int line) {
            for (const ReplyLineNeed &n : needs)
                if (n.line == line)
                    return n.length;
            return -1;
        };
        qsizetype pos = 0;
        bool needsMet = true;
        for (int i = 0; i < lines.size(); ++i) {
            const QByteArray &line = lines.at(i);
            const qsizetype end = received.indexOf(CRLF, pos);
            const bool ended = end >= 0;
            const qsizetype next = ended ? end + 2 : received.size();
            const int need = needOf(i);
            if (need >= 0 && line.size() < need) {
                needsMet = false;
                // A needed line that ended holding "OK" but short of its data
                // is a closing line where the block should be.
                if (ended && line.contains("OK"))
                    return ReplyJudgement{Verdict::NotOfForm, 0};
                if (!ended)
                    return ReplyJudgement{};
            }
            if (i > last && line.contains("OK"))
                return needsMet ? ReplyJudgement{Verdict::Complete, next} : ReplyJudgement{Verdict::NotOfForm, 0};
            pos = next;
        }
        return ReplyJudgement{};
    };
    return rule;
}

ReplyRule OkLineRule(ReplyWait wait)
{
    ReplyRule rule;
    rule.wait = wait;
    rule.judge = [](const QByteArray &received) {
        qsizetype start = 0;
        for (qsizetype end = received.indexOf(CRLF); end >= 0; end = received.indexOf(CRLF, start)) {
            if (received.mid(start, end - start).contains("OK"))
                return ReplyJudgement{Verdict::Complete, end + 2};
            start = end + 2;
        }
        return ReplyJudgement{};
    };
    return rule;
}

} // namespace porv
