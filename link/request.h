#pragma once
// A request: one command and the unit's reply to it, read as that command's
// own. The reply is collected from the text received after the command went
// out, into a buffer of the request's own (never the receive view, which
// stays what RxMemo shows), and judged by the command's reply rule: how its
// reply ends (a closing line, a count of lines, a line of a given form) and
// how long it is waited for (the fixed waits and poll budgets of each
// command). The result says whether the reply came whole, and if not why.
#include <QByteArray>
#include <QList>
#include <QMetaObject>

#include <functional>

namespace porv {

class Link;

// What a rule finds in the text received for a request so far.
struct ReplyJudgement {
    enum class Verdict {
        NotYet,    // nothing wrong yet: more may come
        Complete,  // the reply is whole
        NotOfForm, // the reply has ended, but not in this command's form
    };
    Verdict verdict = Verdict::NotYet;
    // Complete: the bytes the reply takes from the start of the text; what
    // follows is not this reply's.
    qsizetype length = 0;
};

// How long a request waits for its reply.
struct ReplyWait {
    enum class Kind {
        Fixed, // one wait of `ticks`; the reply is judged at its end only
        Until, // looks every `step` ticks until the reply is whole, at most `ticks`
    };
    Kind kind = Kind::Until;
    int ticks = 0;
    int step = 100;

    static ReplyWait Fixed(int ticks) { return {Kind::Fixed, ticks, ticks}; }
    // WaitReply's budget: polls of 100 ticks, the first look after one poll.
    static ReplyWait Polls(int polls) { return {Kind::Until, polls * 100, 100}; }
    static ReplyWait UpTo(int ticks, int step = 10) { return {Kind::Until, ticks, step}; }
};

// A command's reply rule: its form and the wait.
struct ReplyRule {
    std::function<ReplyJudgement(const QByteArray &received)> judge;
    ReplyWait wait;
};

enum class ReplyOutcome {
    Complete,   // the whole reply, in the command's form
    NoAnswer,   // nothing of this request's reply arrived
    Incomplete, // part of it arrived, the rest did not within the wait
    NotOfForm,  // it ended, but not in the form of this command's reply
    LinkLost,   // the link closed while the request waited
};

struct Reply {
    ReplyOutcome outcome = ReplyOutcome::NoAnswer;
    // The reply's own bytes (NULs removed): the whole reply when complete,
    // otherwise what of it arrived.
    QByteArray bytes;

    bool Complete() const { return outcome == ReplyOutcome::Complete; }
    // The bytes split at each CR LF; a last line without its CR LF is the last.
    QList<QByteArray> Lines() const;
    // Line n (from 0), or an empty text when there is none.
    QByteArray Line(int n) const;
};

// The text split at each CR LF, as the receive view's lines are; a trailing
// CR LF ends the last line.
QList<QByteArray> LinesOf(const QByteArray &text);

// Collects, from its construction on, the text the link receives as the
// reply of the command sent just before. A reply still owed to an earlier
// command (a command went out since the last line holding "OK", and the unit
// answers each command in turn) may arrive first: the text up to its first
// line holding "OK" is then that earlier answer, and is passed over when what
// follows it is this command's reply whole; while the text from its start
// reads wrong, an Until wait goes on for it. For the reads whose waits are
// their own (the directory dump's idle count, the event log's polls).
class PendingReply {
public:
    // `answerOwed`: Link::AnswerOwed() as it stood before the command went out.
    PendingReply(Link &link, ReplyRule rule, bool answerOwed);
    ~PendingReply();
    PendingReply(const PendingReply &) = delete;
    PendingReply &operator=(const PendingReply &) = delete;

    // Everything received since the start (at most Link::MaxReceived bytes).
    const QByteArray &Received() const { return m_received; }
    bool Whole() const;
    // The link closed, or it was logged on at the start and is not now.
    bool LinkLost() const;
    // More than the receive bound arrived: the reply cannot be whole.
    bool Overflowed() const { return m_overflow; }
    // The outcome as things stand.
    Reply Result() const;
    // Waits by the rule's wait; returns the result.
    Reply Wait();

private:
    struct Choice {
        qsizetype start = 0;
        ReplyJudgement judgement;
    };
    // The reply as things stand; *laterMayCome: it reads wrong from the start,
    // and an earlier answer may yet turn out to stand in front of it.
    Choice choose(bool *laterMayCome = nullptr) const;
    // Nothing more can make the outcome other than it is.
    bool ended() const;

    Link &m_link;
    ReplyRule m_rule;
    bool m_answerOwed;
    bool m_wasLoggedOn;
    bool m_closed = false;
    bool m_overflow = false;
    bool m_earlierLineOpen = false;
    QByteArray m_received;
    QMetaObject::Connection m_text;
    QMetaObject::Connection m_close;
};

// Sends the command line (SendCommand; the CR is appended here) and waits for
// its reply by the rule.
Reply Request(Link &link, const QByteArray &command, const ReplyRule &rule);

// --- rules of the link's own commands -------------------------------------------

// A reply line and the characters it must hold.
struct ReplyLineNeed {
    int line;
    int length;
};
// "r" + block (line 0) and "d" + range (line 1 on: the first line is no block):
// each needed line holds its characters, and a later line holds "OK" (that
// line may still lack its CR LF). A line holding "OK" at or before the last
// needed line ends the reply short: not of the form.
ReplyRule BlockReplyRule(const QList<ReplyLineNeed> &needs, ReplyWait wait);
// A line holding "OK" (the prompt's answer while logged on, an erase).
ReplyRule OkLineRule(ReplyWait wait);

} // namespace porv
