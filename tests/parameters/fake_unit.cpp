#include "fake_unit.h"

namespace porv::test {

namespace {
bool isMessageBlock(const QByteArray &block) { return block.toInt() >= 12; }
const QByteArray CRLF("\r\n");
} // namespace

FakeParameterUnit::FakeParameterUnit()
{
    for (int b = 0; b <= 15; ++b) {
        const QByteArray block = QByteArray::number(b).rightJustified(4, '0');
        blocks.insert(block, isMessageBlock(block) ? QByteArray(32, char(0xFF)) : QByteArray(64, '?'));
    }
}

void FakeParameterUnit::attach(ScriptedTransport &transport)
{
    transport.setAnswer([this](const QByteArray &written) { return answer(written); });
}

QList<QByteArray> FakeParameterUnit::answer(const QByteArray &written)
{
    if (mode == Mode::Silent || !written.endsWith('\r'))
        return {};
    const QByteArray command = written.chopped(1);
    auto line = [this](const QByteArray &block) { return block + ":" + blocks.value(block) + CRLF; };

    if (command.size() == 5 && command.startsWith('r')) {
        const QByteArray block = command.mid(1, 4);
        // Split inside the data: the tool must assemble lines from pieces.
        const QByteArray text = line(block) + "OK" + CRLF;
        return {text.left(17), text.mid(17)};
    }
    if (command.size() == 9 && command.startsWith('d')) {
        QByteArray text = "Dump " + command.mid(1) + CRLF;
        for (int b = command.mid(1, 4).toInt(); b <= command.mid(5, 4).toInt(); ++b)
            text += line(QByteArray::number(b).rightJustified(4, '0'));
        return {text, "OK" + CRLF};
    }
    if (command.startsWith('p') && command.size() > 5) {
        const QByteArray block = command.mid(1, 4);
        QByteArray data = command.mid(5);
        if (mode == Mode::StoresWrongly)
            data.fill('5');
        QByteArray &memory = blocks[block];
        memory.replace(0, std::min(data.size(), memory.size()), data.left(memory.size()));
        return {CRLF + "OK" + CRLF};
    }
    return {};
}

} // namespace porv::test
