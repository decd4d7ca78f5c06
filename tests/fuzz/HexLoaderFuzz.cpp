// libFuzzer target: any bytes at all, loaded as a HEX file, must leave the
// image within its bounds with sane marks, and must not crash or hang.
#include "image/HexLoader.h"
#include "image/MemoryImage.h"

#include <sys/mman.h>
#include <unistd.h>
#include <QString>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const int fd = memfd_create("korvexc-fuzz", 0);
    static const QString path = QStringLiteral("/proc/self/fd/%1").arg(fd);
    if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        std::abort();

    MemoryImage image;
    if (!HexLoader::LoadHexFile(path, image, [](const HexNotice&) {}))
        std::abort();
    if (image.ProgramTop < -1 || image.ProgramTop >= MemoryImage::kProgramWordEnd || image.EepromTop < -1
        || image.EepromTop >= MemoryImage::kEepromImageBytes)
        std::abort();
    return 0;
}
