// qx4-unit: a simulated Portavel QX4 on a UDP port and/or a pseudo-terminal.
#include "simulated_unit.h"
#include "unit_seed.h"
#include "unit_servers.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTime>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

void say(const QString &text)
{
    QTextStream out(stdout);
    out << text << Qt::endl;
}

QSet<int> parseBlockList(const QString &text, bool *ok)
{
    QSet<int> blocks;
    *ok = true;
    for (const QString &part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool good = false;
        const int b = part.trimmed().toInt(&good);
        if (!good || b < 0 || b >= qx4::kBlockCount) {
            *ok = false;
            return {};
        }
        blocks.insert(b);
    }
    return blocks;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qx4-unit"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PORV_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated Portavel QX4 door-entry unit for the programming tool.\n"
        "It listens on UDP (the unit's network port) and/or a pseudo-terminal (its serial port).\n"
        "Commands on standard input: tag CODE, badtag CODE, event ROOM, save, status, quit."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption udpOpt(QStringLiteral("udp"), QStringLiteral("Listen on UDP at this loopback address."),
                                    QStringLiteral("address"));
    const QCommandLineOption portOpt(QStringLiteral("port"), QStringLiteral("UDP port (default 8000)."),
                                     QStringLiteral("port"), QStringLiteral("8000"));
    const QCommandLineOption ptyOpt(QStringLiteral("pty"), QStringLiteral("Open a pseudo-terminal and print its path."));
    const QCommandLineOption modemOpt(QStringLiteral("modem"),
                                      QStringLiteral("Put a modem (atz, ate0, atd) in front of the pseudo-terminal."));
    const QCommandLineOption modelOpt(QStringLiteral("model"),
                                      QStringLiteral("100, 200, 500 or 1000; any other text is sent as an unknown model line."),
                                      QStringLiteral("model"), QStringLiteral("1000"));
    const QCommandLineOption limitOpt(QStringLiteral("unknown-limit"),
                                      QStringLiteral("Directory limit (hex) of an unknown model (default 2A00)."),
                                      QStringLiteral("hex"), QStringLiteral("2A00"));
    const QCommandLineOption pinOpt(QStringLiteral("pin"), QStringLiteral("Programming PIN (default 1234)."),
                                    QStringLiteral("pin"), QStringLiteral("1234"));
    const QCommandLineOption recordsOpt(QStringLiteral("records"), QStringLiteral("Directory records (default 20)."),
                                        QStringLiteral("n"), QStringLiteral("20"));
    const QCommandLineOption okNamesOpt(QStringLiteral("ok-names"),
                                        QStringLiteral("Include names that hold \"OK\" (BROOKS, OKAFOR, ...)."));
    const QCommandLineOption eventsOpt(QStringLiteral("events"), QStringLiteral("Events in the log (default 10)."),
                                       QStringLiteral("n"), QStringLiteral("10"));
    const QCommandLineOption tagsOpt(QStringLiteral("tags"), QStringLiteral("RF-ID tags (default 5)."),
                                     QStringLiteral("n"), QStringLiteral("5"));
    const QCommandLineOption seedOpt(QStringLiteral("seed"), QStringLiteral("Random seed of the generated contents."),
                                     QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption stateOpt(QStringLiteral("state"),
                                      QStringLiteral("Start from this state file (if it exists)."),
                                      QStringLiteral("file"));
    const QCommandLineOption saveOpt(QStringLiteral("save-state"),
                                     QStringLiteral("Write the state file (--state) on exit and on \"save\"."));
    const QCommandLineOption scaleOpt(QStringLiteral("time-scale"),
                                      QStringLiteral("Multiply every delay by this factor (default 1)."),
                                      QStringLiteral("factor"), QStringLiteral("1"));
    const QCommandLineOption splitOpt(QStringLiteral("datagrams"),
                                      QStringLiteral("Reply datagrams: whole, line, or a byte count."),
                                      QStringLiteral("form"), QStringLiteral("whole"));
    const QCommandLineOption connectOpt(QStringLiteral("connect-delay"),
                                        QStringLiteral("Modem: ms from atd to CONNECT (default 1000)."),
                                        QStringLiteral("ms"), QStringLiteral("1000"));
    const QCommandLineOption lineOpt(QStringLiteral("line-interval"),
                                     QStringLiteral("ms between the lines of long answers (default 0)."),
                                     QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption silentOpt(QStringLiteral("silent"), QStringLiteral("Fault: never answer."));
    const QCommandLineOption slowOpt(QStringLiteral("slow"), QStringLiteral("Fault: answer this many ms later."),
                                     QStringLiteral("ms"));
    const QCommandLineOption dropOpt(QStringLiteral("drop-lines"), QStringLiteral("Fault: lose every Nth line."),
                                     QStringLiteral("n"));
    const QCommandLineOption corruptOpt(QStringLiteral("corrupt-bytes"),
                                        QStringLiteral("Fault: change every Nth byte sent."), QStringLiteral("n"));
    const QCommandLineOption breakOpt(QStringLiteral("break-after"),
                                      QStringLiteral("Fault: go silent for good after N lines."), QStringLiteral("n"));
    const QCommandLineOption gErrorOpt(QStringLiteral("g-error"),
                                       QStringLiteral("Fault: answer \"Error\" to the next N \"g\" writes (-1: all)."),
                                       QStringLiteral("n"));
    const QCommandLineOption refuseBOpt(QStringLiteral("refuse-b"),
                                        QStringLiteral("Fault: refuse the next N \"b\" writes (-1: all)."),
                                        QStringLiteral("n"));
    const QCommandLineOption refuseBBlocksOpt(QStringLiteral("refuse-b-blocks"),
                                              QStringLiteral("Fault: refuse every \"b\" write to these blocks (e.g. 128,130)."),
                                              QStringLiteral("list"));
    const QCommandLineOption noEraseAckOpt(QStringLiteral("no-erase-ack"),
                                           QStringLiteral("Fault: never acknowledge \"f5a\"."));
    const QCommandLineOption wrongPOpt(QStringLiteral("wrong-p"),
                                       QStringLiteral("Fault: store the next N \"p\" writes wrongly (-1: all)."),
                                       QStringLiteral("n"));
    const QCommandLineOption wrongPBlocksOpt(QStringLiteral("wrong-p-blocks"),
                                             QStringLiteral("Fault: store \"p\" writes to these blocks wrongly."),
                                             QStringLiteral("list"));
    parser.addOptions({udpOpt, portOpt, ptyOpt, modemOpt, modelOpt, limitOpt, pinOpt, recordsOpt, okNamesOpt, eventsOpt,
                       tagsOpt, seedOpt, stateOpt, saveOpt, scaleOpt, splitOpt, connectOpt, lineOpt, silentOpt, slowOpt,
                       dropOpt, corruptOpt, breakOpt, gErrorOpt, refuseBOpt, refuseBBlocksOpt, noEraseAckOpt, wrongPOpt,
                       wrongPBlocksOpt});
    parser.process(app);

    auto fail = [](const QString &why) {
        QTextStream(stderr) << "qx4-unit: " << why << Qt::endl;
        return 2;
    };
    auto intValue = [&parser](const QCommandLineOption &opt, int *value) {
        bool ok = false;
        *value = parser.value(opt).toInt(&ok);
        return ok;
    };

    if (!parser.isSet(udpOpt) && !parser.isSet(ptyOpt))
        return fail(QStringLiteral("give --udp ADDRESS and/or --pty (see --help)"));

    qx4::SimulatedUnit unit;
    qx4::SeedOptions seed;
    const QByteArray modelName = parser.value(modelOpt).toLatin1();
    const bool knownModel = qx4::modelFromName(modelName, &seed.model);
    if (!knownModel)
        seed.model = qx4::Model::Unknown;
    bool ok = false;
    const int unknownLimit = parser.value(limitOpt).toInt(&ok, 16);
    if (!ok)
        return fail(QStringLiteral("--unknown-limit needs a hexadecimal address"));
    unit.setUnknownModel(modelName, unknownLimit);
    seed.pin = parser.value(pinOpt).toLatin1();
    seed.okNames = parser.isSet(okNamesOpt);
    int seedValue = 1;
    if (!intValue(recordsOpt, &seed.records) || !intValue(eventsOpt, &seed.events) || !intValue(tagsOpt, &seed.tags)
        || !intValue(seedOpt, &seedValue))
        return fail(QStringLiteral("--records, --events, --tags and --seed need numbers"));
    seed.seed = quint32(seedValue);

    const QString statePath = parser.value(stateOpt);
    if (!statePath.isEmpty() && QFile::exists(statePath)) {
        QString error;
        if (!qx4::loadState(unit, statePath, &error))
            return fail(QStringLiteral("cannot load %1: %2").arg(statePath, error));
        say(QStringLiteral("state loaded from %1").arg(statePath));
    } else {
        qx4::seedUnit(unit, seed);
    }
    if (parser.isSet(pinOpt))
        unit.setPin(seed.pin);

    const double scale = parser.value(scaleOpt).toDouble(&ok);
    if (!ok || scale < 0)
        return fail(QStringLiteral("--time-scale needs a factor"));
    unit.setTimeScale(scale);
    qx4::TimingSettings timing;
    if (!intValue(connectOpt, &timing.connectDelayMs) || !intValue(lineOpt, &timing.lineIntervalMs))
        return fail(QStringLiteral("--connect-delay and --line-interval need numbers"));
    unit.setTiming(timing);

    qx4::FaultSettings faults;
    faults.silent = parser.isSet(silentOpt);
    faults.neverAckErase = parser.isSet(noEraseAckOpt);
    if ((parser.isSet(slowOpt) && !intValue(slowOpt, &faults.extraDelayMs))
        || (parser.isSet(dropOpt) && !intValue(dropOpt, &faults.dropEveryNthLine))
        || (parser.isSet(corruptOpt) && !intValue(corruptOpt, &faults.corruptEveryNthByte))
        || (parser.isSet(breakOpt) && !intValue(breakOpt, &faults.breakAfterLines))
        || (parser.isSet(gErrorOpt) && !intValue(gErrorOpt, &faults.gError.count))
        || (parser.isSet(refuseBOpt) && !intValue(refuseBOpt, &faults.refuseB.count))
        || (parser.isSet(wrongPOpt) && !intValue(wrongPOpt, &faults.wrongP.count)))
        return fail(QStringLiteral("fault options need numbers"));
    if (parser.isSet(refuseBBlocksOpt)) {
        faults.refuseB.blocks = parseBlockList(parser.value(refuseBBlocksOpt), &ok);
        if (!ok)
            return fail(QStringLiteral("--refuse-b-blocks needs block numbers"));
        if (faults.refuseB.count == 0)
            faults.refuseB.count = -1;
    }
    if (parser.isSet(wrongPBlocksOpt)) {
        faults.wrongP.blocks = parseBlockList(parser.value(wrongPBlocksOpt), &ok);
        if (!ok)
            return fail(QStringLiteral("--wrong-p-blocks needs block numbers"));
        if (faults.wrongP.count == 0)
            faults.wrongP.count = -1;
    }
    unit.setFaults(faults);

    qx4::DatagramSplit split;
    const QString splitText = parser.value(splitOpt);
    if (splitText == QStringLiteral("whole")) {
        split.mode = qx4::DatagramSplit::Mode::Whole;
    } else if (splitText == QStringLiteral("line")) {
        split.mode = qx4::DatagramSplit::Mode::PerLine;
    } else {
        split.mode = qx4::DatagramSplit::Mode::Chunks;
        split.chunkBytes = splitText.toInt(&ok);
        if (!ok || split.chunkBytes < 1)
            return fail(QStringLiteral("--datagrams: whole, line or a byte count"));
    }

    say(QStringLiteral("qx4-unit: model line \"%1\", PIN %2, %3 directory records, %4 events, %5 tags")
            .arg(QString::fromLatin1(unit.modelLine()), QString::fromLatin1(unit.pin()))
            .arg(unit.directoryRecords().size())
            .arg(unit.events().size())
            .arg(unit.tagEntries().size()));

    qx4::UdpUnitServer udp(&unit);
    udp.setSplit(split);
    if (parser.isSet(udpOpt)) {
        const QHostAddress address(parser.value(udpOpt));
        const int port = parser.value(portOpt).toInt(&ok);
        if (address.isNull() || !ok || port < 0 || port > 65535)
            return fail(QStringLiteral("--udp needs an IP address and --port a port number"));
        if (!udp.listen(address, quint16(port)))
            return fail(QStringLiteral("cannot bind UDP %1:%2: %3").arg(address.toString()).arg(port).arg(udp.errorString()));
        say(QStringLiteral("udp: listening on %1 port %2 (set the tool's IP address to %1)")
                .arg(udp.address().toString())
                .arg(udp.port()));
    }
    qx4::PtyUnitServer pty(&unit);
    if (parser.isSet(ptyOpt)) {
        unit.setModemEnabled(parser.isSet(modemOpt));
        if (!pty.open())
            return fail(QStringLiteral("cannot open a pseudo-terminal: %1").arg(pty.errorString()));
        say(QStringLiteral("pty: %1%2 (open it as the tool's serial port)")
                .arg(pty.slavePath(), parser.isSet(modemOpt) ? QStringLiteral(", with modem") : QString()));
    }

    const bool saveOnExit = parser.isSet(saveOpt) && !statePath.isEmpty();
    auto saveNow = [&]() {
        QString error;
        if (statePath.isEmpty())
            say(QStringLiteral("no --state file given"));
        else if (qx4::saveState(unit, statePath, &error))
            say(QStringLiteral("state saved to %1").arg(statePath));
        else
            say(QStringLiteral("cannot save %1: %2").arg(statePath, error));
    };

    // SIGINT/SIGTERM end the event loop so that the state can be saved.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) == 0) {
        auto *sigNotifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(sigNotifier, &QSocketNotifier::activated, &app, [] {
            char c;
            [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[0], &c, 1);
            QCoreApplication::quit();
        });
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
    }

    // Commands on standard input.
    QByteArray stdinBuffer;
    auto *stdinNotifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &app);
    QObject::connect(stdinNotifier, &QSocketNotifier::activated, &app, [&] {
        char buffer[1024];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            stdinNotifier->setEnabled(false);   // no more input: keep serving
            return;
        }
        stdinBuffer.append(buffer, int(n));
        if (stdinBuffer.size() > 4096)
            stdinBuffer.clear();
        int nl;
        while ((nl = stdinBuffer.indexOf('\n')) >= 0) {
            const QByteArray line = stdinBuffer.left(nl).trimmed();
            stdinBuffer.remove(0, nl + 1);
            const QList<QByteArray> words = line.split(' ');
            const QByteArray cmd = words.value(0);
            if (cmd == "quit" || cmd == "exit") {
                QCoreApplication::quit();
            } else if ((cmd == "tag" || cmd == "badtag") && words.size() == 2) {
                if (unit.presentTag(words.at(1), cmd == "badtag"))
                    say(QStringLiteral("tag message sent"));
                else
                    say(QStringLiteral("a tag code is 1 to 10 hexadecimal digits"));
            } else if (cmd == "event" && words.size() == 2) {
                // A relay released from a room, now, by a local key press.
                qx4::UnitEvent ev;
                ev.room = words.at(1).left(6);
                ev.when = unit.clock();
                ev.when.setTime(QTime(ev.when.time().hour(), ev.when.time().minute(), ev.when.time().second()));
                for (const qx4::DirectoryRecord &r : unit.directoryRecords()) {
                    if (r.room == ev.room) {
                        ev.client = r.name;
                        break;
                    }
                }
                unit.addEvent(ev);
                say(QStringLiteral("event logged (%1 events)").arg(unit.events().size()));
            } else if (cmd == "save") {
                saveNow();
            } else if (cmd == "status") {
                say(QStringLiteral("logged on: %1, records: %2, events: %3, tags: %4, commands: %5")
                        .arg(unit.loggedOn() ? QStringLiteral("yes") : QStringLiteral("no"))
                        .arg(unit.directoryRecords().size())
                        .arg(unit.events().size())
                        .arg(unit.tagEntries().size())
                        .arg(unit.lastCommands().size()));
            } else if (!cmd.isEmpty()) {
                say(QStringLiteral("commands: tag CODE, badtag CODE, event ROOM, save, status, quit"));
            }
        }
    });

    const int rc = app.exec();
    if (saveOnExit)
        saveNow();
    return rc;
}
