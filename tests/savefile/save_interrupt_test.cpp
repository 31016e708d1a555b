// SPDX-License-Identifier: MIT
// An interrupted save leaves the old file as it was. A child process saves a large text
// through WriteWholeFile (the write behind every file the tool saves) under a file-size
// limit: at the limit the kernel stops the write and raises SIGXFSZ, whose handler here
// tells the parent and waits. The parent looks at the half-done save, kills the child with
// SIGKILL and checks what is left on disk.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "core/base/text_file.h"
#include "test_files.h"

namespace {

int g_stoppedPipe = -1;

void StopAtFileSizeLimit(int) {
  const char c = 'S';
  (void)!write(g_stoppedPipe, &c, 1);
  for (;;) pause();
}

QByteArray LogText(int lines, char tag) {
  QByteArray text;
  for (int i = 0; i < lines; ++i)
    text += QByteArray("SD: F2 00 00 03 43 31 30 03 B0 ") + tag + QByteArray::number(i) + "\r\n";
  return text;
}

using test_files::readFile;
using test_files::writeFile;

QStringList Entries(const QString& dir) {
  return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Sizes of the regular files in `dir` that the process has open, other than the file
// with inode `exclude`. A file opened without a name still shows as "DIR/#inode (deleted)".
std::vector<off_t> OpenFileSizes(pid_t pid, const QString& dir, ino_t exclude) {
  std::vector<off_t> sizes;
  const QString fdDir = QStringLiteral("/proc/%1/fd").arg(pid);
  for (const QString& fd : QDir(fdDir).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
    const QString link = fdDir + QLatin1Char('/') + fd;
    struct stat info {};
    if (!QFile::symLinkTarget(link).startsWith(dir + QLatin1Char('/')) ||
        stat(QFile::encodeName(link).constData(), &info) != 0)
      continue;
    if (S_ISREG(info.st_mode) && info.st_ino != exclude) sizes.push_back(info.st_size);
  }
  return sizes;
}

// A save in a child process, stopped once `limit` bytes of it are on disk.
class StoppedSave {
 public:
  StoppedSave(const QString& path, const QByteArray& bytes, rlim_t limit) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      g_stoppedPipe = fds[1];
      struct sigaction action {};
      action.sa_handler = StopAtFileSizeLimit;
      sigaction(SIGXFSZ, &action, nullptr);
      const rlimit rl{limit, limit};
      setrlimit(RLIMIT_FSIZE, &rl);
      kvt::WriteWholeFile(path, bytes);
      _exit(3);  // the whole save went through: the limit was never reached
    }
    close(fds[1]);
    pollfd p{fds[0], POLLIN, 0};
    char c = 0;
    // The bound only guards against a hang; the child signals within milliseconds.
    stopped_ = pid_ > 0 && poll(&p, 1, 60000) == 1 && read(fds[0], &c, 1) == 1 && c == 'S';
    close(fds[0]);
  }
  ~StoppedSave() { kill(); }

  bool stopped() const { return stopped_; }
  pid_t pid() const { return pid_; }

  // SIGKILL, then the child's wait status.
  int kill() {
    if (pid_ <= 0) return status_;
    ::kill(pid_, SIGKILL);
    waitpid(pid_, &status_, 0);
    pid_ = -1;
    return status_;
  }

 private:
  pid_t pid_ = -1;
  bool stopped_ = false;
  int status_ = 0;
};

constexpr rlim_t kLimit = (1 << 20) + 1234;

TEST(InterruptedSave, KilledMidwayLeavesTheOldFileWholeOrNoneAndTheNextSaveWorks) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("monitor.txt"));
  const QByteArray old = LogText(2000, 'o');
  ASSERT_TRUE(writeFile(path, old));
  struct stat oldInfo {};
  ASSERT_EQ(stat(QFile::encodeName(path).constData(), &oldInfo), 0);

  const QByteArray replacement = LogText(120000, 'n');
  ASSERT_GT(replacement.size(), qsizetype(2 * kLimit));
  {
    StoppedSave save(path, replacement, kLimit);
    ASSERT_TRUE(save.stopped()) << "the save did not reach the file-size limit";

    // Halfway: the new text goes into another file on the same disk, the old one is untouched.
    const std::vector<off_t> open = OpenFileSizes(save.pid(), dir.path(), oldInfo.st_ino);
    EXPECT_EQ(open, std::vector<off_t>{off_t(kLimit)});
    EXPECT_EQ(readFile(path), old);

    const int status = save.kill();
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
  }

  EXPECT_EQ(readFile(path), old);
  // Whatever the killed save left behind carries the file's name with a suffix; nothing
  // took the file's own name.
  for (const QString& name : Entries(dir.path())) {
    if (name == QLatin1String("monitor.txt")) continue;
    EXPECT_TRUE(name.startsWith(QLatin1String("monitor.txt."))) << name.toStdString();
    EXPECT_NE(readFile(dir.filePath(name)), old);
  }

  kvt::FileError error;
  ASSERT_TRUE(kvt::WriteWholeFile(path, replacement, &error)) << error.text.toStdString();
  EXPECT_EQ(readFile(path), replacement);

  // Where there was no file, a save killed midway creates none.
  const QString fresh = dir.filePath(QStringLiteral("script.TXT"));
  ASSERT_TRUE(StoppedSave(fresh, replacement, kLimit).stopped());  // killed as it goes
  EXPECT_FALSE(QFile::exists(fresh));
}

TEST(InterruptedSave, FailedWriteIsReportedAndLeavesNothingBehind) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("list.txt"));
  const QByteArray old = LogText(500, 'o');
  ASSERT_TRUE(writeFile(path, old));

  // In a child, with SIGXFSZ ignored: the write fails with EFBIG at the limit and the
  // save must say so.
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit rl{kLimit, kLimit};
    setrlimit(RLIMIT_FSIZE, &rl);
    kvt::FileError error;
    const bool ok = kvt::WriteWholeFile(path, LogText(120000, 'n'), &error);
    _exit(ok ? 1 : error.number == EFBIG && !error.text.isEmpty() ? 0 : 2);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the save claimed success, 2: the error was not EFBIG with a text";

  EXPECT_EQ(readFile(path), old);
  EXPECT_EQ(Entries(dir.path()), QStringList{QStringLiteral("list.txt")});
}

// A file written in pieces (a report put together from its parts) whose pieces cannot all be
// had: the old file stays; written whole, it replaces the old one.
TEST(InterruptedSave, APieceThatCannotBeHadLeavesTheOldFile) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("report.xml"));
  ASSERT_TRUE(writeFile(path, "old"));
  kvt::FileError error;
  EXPECT_FALSE(kvt::WriteWholeFileWith(
      path, [](QIODevice& f) { return f.write("<testsuites>") > 0 && false; }, &error));
  EXPECT_EQ(error.text, QStringLiteral("its content could not be put together"));
  EXPECT_EQ(readFile(path), QByteArray("old"));
  EXPECT_EQ(Entries(dir.path()), QStringList{QStringLiteral("report.xml")});
  EXPECT_TRUE(kvt::WriteWholeFileWith(path, [](QIODevice& f) { return f.write("<a>") == 3 && f.write("</a>") == 4; }));
  EXPECT_EQ(readFile(path), QByteArray("<a></a>"));
}

}  // namespace
