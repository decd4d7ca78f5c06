// libFuzzer target: the programmer's replies are arbitrary. Whatever it sends,
// a flow must end (by its end, by a mismatch or by the time limit), leave the
// port closed and the controls enabled, and never index past an image.
// Input: one byte choosing the flow, eight bytes of Yes/No answers, then the
// programmer's replies in the order the program reads them.
#include "image/HexWriter.h"
#include "image/MemoryImage.h"
#include "ops/CommandEnvelope.h"
#include "ops/CommandFlows.h"
#include "RecordingOperator.h"
#include "ScriptedPort.h"

#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

namespace {

QString SmallChipFile()
{
    HexWriter writer;
    for (int i = 0; i < 70; ++i)
        writer.Add(i, std::uint8_t(i * 3));
    for (int i = 0; i < 16; ++i)
        writer.Add(0x4000 + i, std::uint8_t(i));
    for (int i = 0; i < 20; ++i)
        writer.Add(0x4200 + i, std::uint8_t(0xF0 - i));
    const QByteArray text = writer.Text();
    const int fd = memfd_create("korvexc-protocol-fuzz", 0);
    if (write(fd, text.constData(), size_t(text.size())) != text.size())
        std::abort();
    return QStringLiteral("/proc/self/fd/%1").arg(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const QString file = SmallChipFile();
    if (size < 9)
        return 0;
    ScriptedPort port;
    RecordingOperator ui;
    for (int i = 0; i < 64; ++i)
        ui.answers.push_back((data[1 + i / 8] >> (i % 8)) & 1);
    for (std::size_t i = 9; i < size; ++i)
        port.Queue({data[i]});

    MemoryImage image;
    CommandEnvelope envelope(port, ui, [] { return QStringLiteral("1"); }, [] { return QStringLiteral("50"); },
                             std::chrono::milliseconds(1));
    CommandFlows flows(envelope, image, ui, [] { return file; });
    switch (data[0] % 3) {
    case 0:
        flows.DoErase();
        break;
    case 1:
        flows.DoVerify();
        break;
    default:
        flows.DoProgram();
        break;
    }
    if (port.IsOpen() || ui.locked || ui.disables != 1 || ui.enables != 1)
        std::abort();
    return 0;
}
