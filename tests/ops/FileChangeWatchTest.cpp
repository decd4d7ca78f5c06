#include "FileBytes.h"
#include "ops/FileChangeWatch.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>
#include <future>
#include <thread>

using namespace std::chrono;
using namespace std::chrono_literals;

namespace {

void Write(const QString& path, const QByteArray& bytes)
{
    ASSERT_TRUE(WriteFile(path, bytes));
}

}  // namespace

TEST(FileChangeWatch, AnEmptiedFileIsAChangeAndStopEndsEvenALongSleepAtOnce)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("build.hex");
    Write(path, ":00000001FF\n");

    // A build that leaves its output empty has written it: the load then says what is wrong.
    FileChangeWatch watch(path, 20ms, 5ms);
    watch.TakeAsSeen();
    Write(path, "");
    auto emptied = std::async(std::launch::async, [&] { return watch.WaitForChange(); });
    if (emptied.wait_for(30s) != std::future_status::ready)
        watch.Stop();
    EXPECT_TRUE(emptied.get());

    FileChangeWatch slow(path, 20ms, 60s);
    slow.TakeAsSeen();
    const auto started = steady_clock::now();
    auto stopped = std::async(std::launch::async, [&] { return slow.WaitForChange(); });
    std::this_thread::sleep_for(50ms);
    slow.Stop();
    EXPECT_FALSE(stopped.get());
    EXPECT_LT(steady_clock::now() - started, 30s);
}
