#include "bulktransfer.h"

#include "link.h"
#include "shellservices.h"

namespace porv {

BulkTransfer::BulkTransfer(Link &link, ShellServices &shell) : m_link(link), m_shell(shell) {}

void BulkTransfer::BeginReply() { m_link.BeginBulkReply(); }

void BulkTransfer::Show(Look look)
{
    m_shown = true;
    m_shell.ShowTransfer();
    if (look == Look::Busy) {
        m_busy = true;
        m_shell.SetBusyCursor(true);
    }
    m_shell.StartLampBlink();
    if (look == Look::Busy)
        m_shell.StopKeepAlive();
}

BulkTransfer::~BulkTransfer()
{
    if (m_shown) {
        m_shell.HideTransfer();
        if (m_busy)
            m_shell.SetBusyCursor(false);
        m_shell.StopLampBlink();
        // A Log Off during the transfer has put the lamp off line and stopped
        // the keep-alive: they stay so.
        if (m_link.LoggedOn()) {
            if (m_busy)
                m_shell.StartKeepAlive();
            m_shell.SetLedImage(ShellServices::LampOnLine);
        }
    }
    m_link.EndBulkReply();
}

} // namespace porv
