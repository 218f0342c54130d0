#pragma once
// The command exchange with the unit: one set of link state for the whole
// program, the receive view's text model, and the block operations that the
// pages build on. Everything here runs on the window's thread.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>

#include "linktrace.h"
#include "transport.h"

namespace porv {

namespace test {
struct LinkTestAccess;
}

class Link : public QObject {
    Q_OBJECT
public:
    explicit Link(QObject *parent = nullptr);

    // --- link state (read-only; the operations below change it) -----------
    // Everything received since last emptied, NULs removed.
    const QByteArray &RxBuffer() const { return m_rxBuffer; }
    // The reply line being assembled.
    const QByteArray &LineBuffer() const { return m_lineBuffer; }
    // The line being assembled held "OK" when data last arrived.
    bool ReplyReceived() const { return m_replyReceived; }
    // Some text arrived since last cleared.
    bool DataSeen() const { return m_dataSeen; }
    // A completed line held "CONNECT" while RemoteMode was on.
    bool ModemConnected() const { return m_modemConnected; }
    // Bulk transfer: the view shows only a count of the lines.
    bool CountMode() const { return m_countMode; }
    int LineCount() const { return m_lineCount; }
    // ReplyLines line 1 when the last WaitReply ended.
    const QByteArray &LastReply() const { return m_lastReply; }
    // Seconds since the last command.
    int KeepAliveCount() const { return m_keepAliveCount; }
    // Connection flags set by the log-on.
    bool LoggedOn() const { return m_loggedOn; }
    bool RemoteMode() const { return m_remoteMode; }
    // A command went out since the last line holding "OK" ended: its answer
    // may still be on its way (a request then tells it from its own).
    bool AnswerOwed() const { return m_answerOwed; }

    // --- changing the link state ------------------------------------------
    // Empties RxBuffer.
    void ClearReceived();
    // Clears ReplyReceived, RxBuffer and LastReply, as every WaitReply does
    // at its start: what arrives next is the reply.
    void ResetReply();
    // A wait that ends by a rule of its own (the end of the event log, the
    // erase's own "OK") leaves its outcome where WaitReply leaves it.
    void SetReplyReceived(bool received);
    void ClearDataSeen();
    void ClearModemConnected();
    void ResetLineCount();
    // A bulk transfer's reply: CountMode on and the keep-alive count back to
    // 0 at the start; CountMode off at the end.
    void BeginBulkReply();
    void EndBulkReply();
    void ResetKeepAlive();
    // Counts one second without a command. True once promptAfter seconds have
    // passed; the count then starts again.
    bool CountKeepAliveSecond(int promptAfter);
    void MarkLoggedOn();
    void MarkLoggedOff();
    void SetRemoteMode(bool remote);

    // Upper bound on what RxBuffer and the receive view keep: a unit that never
    // stops talking cannot grow memory without limit. The newest text is kept.
    static constexpr int MaxReceived = 8 * 1024 * 1024;

    // --- receive view (RxMemo's text model) --------------------------------
    const QByteArray &ReceiveView() const { return m_view; }
    void ClearReceiveView();
    void SetReceiveView(const QByteArray &text);
    // The view's text split at each CR LF; a trailing CR LF ends the last line.
    const QList<QByteArray> &ReplyLines() const;
    // Line n of ReplyLines, or an empty text when there is none.
    QByteArray ReplyLine(int n) const;

    // --- transports -------------------------------------------------------
    void setSerialTransport(Transport *t);
    void setNetworkTransport(Transport *t);
    Transport *serialTransport() const { return m_serial; }
    Transport *networkTransport() const { return m_network; }

    // --- operations -------------------------------------------------------
    void ReceiveText(const QByteArray &chunk);
    // Sends the text as it is, without showing it: only the commands that
    // carry the PIN go this way, and the trace hides all but their letter.
    void Transmit(const QByteArray &text);
    void SendCommand(const QByteArray &text);
    // Waits for ReplyReceived, at most polls x 100 ticks; also stops after the
    // poll in which *stop became set (a log-on the user aborted).
    bool WaitReply(int polls, const bool *stop = nullptr);
    void ReadBlock(const QByteArray &block);
    bool VerifyBlock(const QByteArray &block, const QByteArray &expected);
    bool WriteBlockVerified(const QByteArray &block, const QByteArray &data);
    bool WriteDirectoryBlock(const QByteArray &addressHex, const QByteArray &data);
    // Sends "x" on each open transport and closes it; LoggedOn cleared. A
    // transport that cannot write it is closed all the same (failed).
    void CloseLink();

    // Block number of a directory address: hexadecimal address / 32, four
    // decimal digits. Throws ConversionError for text that is not hexadecimal.
    static QByteArray DirectoryBlockNumber(const QByteArray &addressHex);

    // What went out and came in during this session (the PIN hidden).
    const LinkTrace &Trace() const { return m_trace; }

signals:
    // SendCommand shows its text (status bar panel 1).
    void commandShown(const QByteArray &text);
    // The receive view gained text at its end / was replaced as a whole.
    void receiveViewAppended(const QByteArray &text);
    void receiveViewReset(const QByteArray &text);
    // The link was closed (LoggedOn cleared).
    void linkClosed();
    // A transport failed (a write, or a read under it): the link has closed
    // every transport and cleared LoggedOn, so that what waits for the unit
    // ends as after a Log Off. The message is the port's ("WriteFile function
    // failed (Error: n)").
    void failed(const QString &message);
    // Text arrived (NULs removed), in CountMode too: what a request
    // (request.h) collects as its own.
    void textReceived(const QByteArray &chunk);

private:
    void transmit(const QByteArray &text, bool shown);
    void transportFailed(const QString &message);
    void appendToView(const QByteArray &text);
    void capBuffers();

    QByteArray m_view;
    mutable QList<QByteArray> m_lines;
    mutable bool m_linesValid = false;
    QPointer<Transport> m_serial;
    QPointer<Transport> m_network;
    LinkTrace m_trace;

    QByteArray m_rxBuffer;
    QByteArray m_lineBuffer;
    bool m_replyReceived = false;
    bool m_dataSeen = false;
    bool m_modemConnected = false;
    bool m_countMode = false;
    int m_lineCount = 0;
    QByteArray m_lastReply;
    int m_keepAliveCount = 0;
    bool m_loggedOn = false;
    bool m_remoteMode = false;
    bool m_answerOwed = false;

    // Tests set up a state no exchange reaches quickly (a keep-alive count
    // close to its prompt).
    friend struct test::LinkTestAccess;
};

} // namespace porv
