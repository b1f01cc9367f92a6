#include <gtest/gtest.h>

#include <QFile>
#include <cstdio>

#include "content/byte_file.h"
#include "support/test_support.h"
#include "toolkit/code_page.h"

using tamiro::EFileNotFound;
using tamiro::EFileOpenFailed;
using tamiro::EInOutError;
using tamiro::TByteFile;
using testing_support::ProgramDir;

namespace {
std::string Message(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "no exception";
}
}  // namespace

TEST(ByteFile, AnEmptyFileIsAtItsEndAndEveryReadFailsAlike) {
  ProgramDir dir;
  dir.Write("empty.crp", "");
  TByteFile file(dir.File("empty.crp"));
  EXPECT_TRUE(file.AtEnd());
  for (int i = 0; i < 3; ++i) {
    EXPECT_THROW(file.ReadByte(), EInOutError);
    EXPECT_EQ(Message([&] { file.ReadWord(); }), "Read beyond end of file");
  }
}

TEST(ByteFile, A513ByteFileTakesTwoBlockReadsAndEndsAfterItsLastByte) {
  ProgramDir dir;
  std::string bytes(513, '\0');
  for (int i = 0; i < 513; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>(i % 251);
  dir.Write("f.crp", bytes);
  TByteFile file(dir.File("f.crp"));
  for (int i = 0; i < 512; ++i) ASSERT_EQ(file.ReadByte(), i % 251);
  EXPECT_EQ(file.BlockReads(), 1);
  EXPECT_FALSE(file.AtEnd());
  EXPECT_EQ(file.ReadByte(), 512 % 251);
  EXPECT_EQ(file.BlockReads(), 2);
  EXPECT_TRUE(file.AtEnd());
  EXPECT_EQ(Message([&] { file.ReadByte(); }), "Read beyond end of file");
}

TEST(ByteFile, WordsAreLittleEndianAndStringsDecodeTheirDigitGroups) {
  ProgramDir dir;
  std::string bytes = "\x34\x12";
  bytes += std::string(1, '\0');                                  // empty string
  bytes += std::string("\x02\x00" "00072" "\xFF" "00105", 13);    // "Hi"
  bytes += std::string("\x01" "#00229", 7);                       // å
  bytes += std::string("\x01" "#00321", 7);                       // Ł
  dir.Write("s.crp", bytes);
  tk::SetCodePage(tk::CodePage::Windows1252);
  TByteFile file(dir.File("s.crp"));
  EXPECT_EQ(file.ReadWord(), 0x1234);
  EXPECT_EQ(file.ReadString(), "");
  EXPECT_EQ(file.ReadString(), "Hi");
  EXPECT_EQ(file.ReadString(), "\xE5");
  // Ł is not in Windows-1252: the best fit is L.
  EXPECT_EQ(file.ReadString(), "L");
  EXPECT_TRUE(file.AtEnd());

  // Skipping reads as far as reading does.
  TByteFile skipped(dir.File("s.crp"));
  skipped.ReadWord();
  skipped.SkipString();
  skipped.SkipString();
  EXPECT_EQ(skipped.ReadString(), "\xE5");
  skipped.SkipString();
  EXPECT_TRUE(skipped.AtEnd());
}

TEST(ByteFile, TruncatedStringsAndBadDigitsFail) {
  ProgramDir dir;
  dir.Write("t.crp", std::string("\x03" "#00065" "#000", 11));
  dir.Write("d.crp", std::string("\x01" "#0x0zz", 7));
  // The message shows all five bytes; a NUL or another control byte among
  // them neither ends nor garbles it.
  dir.Write("n.crp", std::string("\x01" "#1\0" "2\t3", 7));
  // A string skipped in another language fails as one that is read.
  for (const bool skip : {false, true}) {
    SCOPED_TRACE(skip ? "skipped" : "read");
    const auto string = [skip](TByteFile& file) {
      if (skip) file.SkipString();
      else file.ReadString();
    };
    TByteFile file(dir.File("t.crp"));
    EXPECT_EQ(Message([&] { string(file); }), "Read beyond end of file");
    TByteFile bad(dir.File("d.crp"));
    EXPECT_THROW(string(bad), tamiro::EConvertError);
    TByteFile nul(dir.File("n.crp"));
    EXPECT_EQ(Message([&] { string(nul); }), "'1#02#93' is not a valid integer value");
  }
}

TEST(ByteFile, OpenFailuresCarryTheirMessages) {
  ProgramDir dir;
  const std::string missing = dir.File("bilder.crp");
  EXPECT_EQ(Message([&] { TByteFile f(missing); }), "File \"" + missing + "\" not found.");
  EXPECT_THROW(TByteFile f(missing), EFileNotFound);
  // A folder where the file should be is not found either.
  EXPECT_EQ(Message([&] { TByteFile f(dir.Path()); }), "File \"" + dir.Path() + "\" not found.");
  EXPECT_THROW(TByteFile f(dir.Path()), EFileNotFound);
  // A file that exists but cannot be read.
  dir.Write("locked.crp", "x");
  QFile::setPermissions(QString::fromStdString(dir.File("locked.crp")), QFileDevice::WriteOwner);
  if (std::FILE* probe = std::fopen(dir.File("locked.crp").c_str(), "rb")) {
    std::fclose(probe);  // running as root: every file can be read
  } else {
    EXPECT_EQ(Message([&] { TByteFile f(dir.File("locked.crp")); }).rfind("File open failed: ", 0), 0u);
    EXPECT_THROW(TByteFile f(dir.File("locked.crp")), EFileOpenFailed);
  }
  // Both open failures are input/output errors to their callers.
  EXPECT_THROW(TByteFile f(missing), EInOutError);
}
