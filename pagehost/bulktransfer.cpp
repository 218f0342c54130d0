#include "bulktransfer.h"

#include "link.h"

namespace porv {

BulkTransfer::BulkTransfer(Link &link, QString name) : m_link(link), m_name(std::move(name)) {}

void BulkTransfer::BeginReply() { m_link.BeginBulkReply(); }

void BulkTransfer::Show(OperationTraits traits)
{
    if (!m_operation)
        m_operation.emplace(m_link, m_name, traits | BulkReply);
}

BulkTransfer::~BulkTransfer()
{
    m_operation.reset();
    m_link.EndBulkReply();
}

} // namespace porv
