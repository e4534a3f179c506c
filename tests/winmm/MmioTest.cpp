#include <gtest/gtest.h>
#include <mmsystem.h>

#include <filesystem>
#include <vector>

#include "Fixtures.h"
#include "simulator/Operation.h"

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<uint8_t> bytes) {
  return bytes;
}

class Mmio : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Faults().Clear();
    sim::OperationJournal().Clear();
  }
  void TearDown() override {
    if (file_) mmioClose(file_, 0);
    sim::Faults().Clear();
  }
  // mmioOpen takes the name as a writable string (LPSTR), so each call passes a copy.
  HMMIO Open(const std::string &path, DWORD flags = MMIO_READ | MMIO_ALLOCBUF) {
    file_ = mmioOpenA(std::string(path).data(), nullptr, flags);
    return file_;
  }
  MMRESULT DescendRiff(MMCKINFO &riff) {
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    return mmioDescend(file_, &riff, nullptr, MMIO_FINDRIFF);
  }
  MMRESULT Find(MMCKINFO &chunk, const char *id, const MMCKINFO *parent) {
    chunk.ckid = mmioFOURCC(id[0], id[1], id[2], id[3]);
    return mmioDescend(file_, &chunk, parent, MMIO_FINDCHUNK);
  }

  HMMIO file_ = 0;
};

TEST_F(Mmio, ReadsTheFormatAndDataOfAWaveFileMadeBySox) {
  ASSERT_NE(Open(fixtures::Sox("tone1000_44100_stereo16.wav")), HMMIO{});
  MMCKINFO riff{}, chunk{};
  ASSERT_EQ(DescendRiff(riff), MMSYSERR_NOERROR);
  EXPECT_EQ(riff.ckid, FOURCC_RIFF);
  EXPECT_EQ(riff.dwDataOffset, 8u);
  ASSERT_EQ(Find(chunk, "fmt ", &riff), MMSYSERR_NOERROR);
  ASSERT_GE(chunk.cksize, 16u);
  WAVEFORMATEX format{};
  ASSERT_EQ(mmioRead(file_, reinterpret_cast<HPSTR>(&format), 16), 16);
  EXPECT_EQ(format.wFormatTag, WAVE_FORMAT_PCM);
  EXPECT_EQ(format.nChannels, 2);
  EXPECT_EQ(format.nSamplesPerSec, 44100u);
  EXPECT_EQ(format.wBitsPerSample, 16);
  ASSERT_EQ(mmioAscend(file_, &chunk, 0), MMSYSERR_NOERROR);
  ASSERT_EQ(Find(chunk, "data", &riff), MMSYSERR_NOERROR);
  EXPECT_EQ(chunk.cksize, 44100u * 4);
  std::vector<char> data(chunk.cksize + 10);
  EXPECT_EQ(mmioRead(file_, data.data(), static_cast<LONG>(data.size())), 44100 * 4);
  EXPECT_EQ(mmioRead(file_, data.data(), 10), 0) << "at the end of the file";
}

TEST_F(Mmio, SkipsOtherChunksIncludingThePadByteOfOddSizes) {
  const auto path = fixtures::Riff()
                        .Chunk("junk", Bytes({1, 2, 3}))
                        .Chunk("fmt ", fixtures::PcmFormat(1, 8000, 16))
                        .Nested(fixtures::Riff("INFO", "LIST").Chunk("ICMT", Bytes({'h', 'i', 0})))
                        .Chunk("data", Bytes({10, 20, 30, 40, 50}))
                        .Chunk("tail", Bytes({9}))
                        .Write("corvax_mmio_odd.wav");
  ASSERT_NE(Open(path), HMMIO{});
  MMCKINFO riff{}, chunk{};
  ASSERT_EQ(DescendRiff(riff), MMSYSERR_NOERROR);
  ASSERT_EQ(Find(chunk, "fmt ", &riff), MMSYSERR_NOERROR);
  EXPECT_EQ(chunk.dwDataOffset, 12u + 8 + 3 + 1 + 8);
  ASSERT_EQ(mmioAscend(file_, &chunk, 0), MMSYSERR_NOERROR);
  ASSERT_EQ(Find(chunk, "data", &riff), MMSYSERR_NOERROR);
  EXPECT_EQ(chunk.cksize, 5u);
  char data[5];
  ASSERT_EQ(mmioRead(file_, data, 5), 5);
  EXPECT_EQ(data[4], 50);
  // Ascending out of the odd-sized chunk lands on the next header, after the pad byte.
  ASSERT_EQ(mmioAscend(file_, &chunk, 0), MMSYSERR_NOERROR);
  MMCKINFO next{};
  ASSERT_EQ(mmioDescend(file_, &next, &riff, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(next.ckid, mmioFOURCC('t', 'a', 'i', 'l'));
  EXPECT_EQ(next.cksize, 1u);
}

TEST_F(Mmio, DescendsIntoListChunksAndReportsTheirFormType) {
  const auto path = fixtures::Riff()
                        .Nested(fixtures::Riff("INFO", "LIST").Chunk("ICMT", Bytes({'a', 0})))
                        .Chunk("data", Bytes({1, 2}))
                        .Write("corvax_mmio_list.wav");
  ASSERT_NE(Open(path), HMMIO{});
  MMCKINFO riff{}, list{}, comment{};
  ASSERT_EQ(DescendRiff(riff), MMSYSERR_NOERROR);
  list.fccType = mmioFOURCC('I', 'N', 'F', 'O');
  ASSERT_EQ(mmioDescend(file_, &list, &riff, MMIO_FINDLIST), MMSYSERR_NOERROR);
  EXPECT_EQ(list.ckid, FOURCC_LIST);
  ASSERT_EQ(Find(comment, "ICMT", &list), MMSYSERR_NOERROR);
  char text[2];
  ASSERT_EQ(mmioRead(file_, text, 2), 2);
  EXPECT_EQ(text[0], 'a');
  // Nothing else lies inside the list, though a data chunk follows it.
  ASSERT_EQ(mmioAscend(file_, &comment, 0), MMSYSERR_NOERROR);
  MMCKINFO data{};
  EXPECT_EQ(Find(data, "data", &list), MMIOERR_CHUNKNOTFOUND);
}

TEST_F(Mmio, ReportsChunkNotFoundForMissingOrMisplacedChunks) {
  const auto no_format =
      fixtures::Riff().Chunk("data", Bytes({1, 2})).Write("corvax_mmio_nofmt.wav");
  ASSERT_NE(Open(no_format), HMMIO{});
  MMCKINFO riff{}, chunk{};
  ASSERT_EQ(DescendRiff(riff), MMSYSERR_NOERROR);
  EXPECT_EQ(Find(chunk, "fmt ", &riff), MMIOERR_CHUNKNOTFOUND);
  mmioClose(file_, 0);

  const auto data_first = fixtures::Riff()
                              .Chunk("data", Bytes({1, 2}))
                              .Chunk("fmt ", fixtures::PcmFormat(1, 8000, 16))
                              .Write("corvax_mmio_datafirst.wav");
  ASSERT_NE(Open(data_first), HMMIO{});
  ASSERT_EQ(DescendRiff(riff), MMSYSERR_NOERROR);
  ASSERT_EQ(Find(chunk, "fmt ", &riff), MMSYSERR_NOERROR);
  ASSERT_EQ(mmioAscend(file_, &chunk, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(Find(chunk, "data", &riff), MMIOERR_CHUNKNOTFOUND) << "the search runs forward only";
}

TEST_F(Mmio, SearchesWithinTheParentOnlyWhenOneIsGiven) {
  // A chunk that follows the RIFF chunk in the file lies outside it.
  std::vector<uint8_t> outside;
  fixtures::Riff::Append(outside, "data", Bytes({7, 7}));
  const auto path = fixtures::Riff()
                        .Chunk("fmt ", fixtures::PcmFormat(1, 8000, 16))
                        .Write("corvax_mmio_out.wav", outside);
  ASSERT_NE(Open(path), HMMIO{});
  MMCKINFO riff{}, chunk{};
  ASSERT_EQ(DescendRiff(riff), MMSYSERR_NOERROR);
  EXPECT_EQ(Find(chunk, "data", &riff), MMIOERR_CHUNKNOTFOUND);
  mmioClose(file_, 0);
  ASSERT_NE(Open(path), HMMIO{});
  ASSERT_EQ(DescendRiff(riff), MMSYSERR_NOERROR);
  ASSERT_EQ(Find(chunk, "data", nullptr), MMSYSERR_NOERROR);
  EXPECT_EQ(chunk.cksize, 2u);
}

TEST_F(Mmio, FindRiffFailsForOtherFormsAndForFilesThatAreNotRiff) {
  ASSERT_NE(Open(fixtures::Riff("AVI ").Chunk("data", Bytes({1})).Write("corvax_mmio_avi.wav")),
            HMMIO{});
  MMCKINFO riff{};
  EXPECT_EQ(DescendRiff(riff), MMIOERR_CHUNKNOTFOUND);
  mmioClose(file_, 0);

  const auto text = fixtures::TempPath("corvax_mmio_text.wav");
  FILE *out = std::fopen(text.c_str(), "wb");
  std::fputs("this is not a sound file at all, only words", out);
  std::fclose(out);
  ASSERT_NE(Open(text), HMMIO{});
  EXPECT_EQ(DescendRiff(riff), MMIOERR_CHUNKNOTFOUND);
}

TEST_F(Mmio, SmallBufferReadsGiveTheSameBytesAsOneUnbufferedRead) {
  const auto path = fixtures::Sox("tone1000_8000_mono16.wav");
  const auto size = static_cast<LONG>(std::filesystem::file_size(path));
  ASSERT_NE(Open(path, MMIO_READ), HMMIO{});
  std::vector<char> whole(size);
  ASSERT_EQ(mmioRead(file_, whole.data(), size), size);
  mmioClose(file_, 0);

  MMIOINFO info{};
  info.cchBuffer = 16;
  file_ = mmioOpenA(std::string(path).data(), &info, MMIO_READ | MMIO_ALLOCBUF);
  ASSERT_NE(file_, HMMIO{});
  EXPECT_EQ(info.hmmio, file_);
  std::vector<char> pieces(size);
  LONG total = 0;
  for (LONG piece = 1; total < size; piece = piece % 37 + 1) {
    const LONG read = mmioRead(file_, pieces.data() + total, std::min(piece, size - total));
    ASSERT_GT(read, 0);
    total += read;
  }
  EXPECT_EQ(pieces, whole);
}

TEST_F(Mmio, OpenFailuresReturnNoHandleAndTheirCode) {
  MMIOINFO info{};
  EXPECT_EQ(mmioOpenA(std::string("/nonexistent/corvax.wav").data(), &info, MMIO_READ), HMMIO{});
  EXPECT_EQ(info.wErrorRet, static_cast<UINT>(MMIOERR_FILENOTFOUND));
  const auto directory = std::filesystem::temp_directory_path().string();
  EXPECT_EQ(mmioOpenA(std::string(directory).data(), &info, MMIO_READ), HMMIO{});
  EXPECT_EQ(info.wErrorRet, static_cast<UINT>(MMIOERR_CANNOTOPEN));
  const auto path = fixtures::Sox("tone1000_8000_mono16.wav");
  EXPECT_EQ(mmioOpenA(std::string(path).data(), &info, MMIO_WRITE), HMMIO{});
  EXPECT_EQ(info.wErrorRet, static_cast<UINT>(MMSYSERR_INVALFLAG));
  EXPECT_EQ(mmioOpenA(nullptr, &info, MMIO_READ), HMMIO{});
}

TEST_F(Mmio, ClosedAndUnknownHandlesAreRefused) {
  ASSERT_NE(Open(fixtures::Sox("tone1000_8000_mono16.wav")), HMMIO{});
  const HMMIO closed = file_;
  EXPECT_EQ(mmioClose(closed, 0), MMSYSERR_NOERROR);
  file_ = 0;
  char byte;
  MMCKINFO chunk{};
  EXPECT_EQ(mmioClose(closed, 0), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(mmioRead(closed, &byte, 1), -1);
  EXPECT_EQ(mmioDescend(closed, &chunk, nullptr, 0), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(mmioAscend(closed, &chunk, 0), MMSYSERR_INVALHANDLE);
}

TEST_F(Mmio, EveryOperationCanBeMadeToFailAndIsJournaled) {
  const auto path = fixtures::Sox("tone1000_8000_mono16.wav");
  sim::Faults().FailNext("mmioOpenA", MMIOERR_ACCESSDENIED);
  MMIOINFO info{};
  EXPECT_EQ(mmioOpenA(std::string(path).data(), &info, MMIO_READ), HMMIO{});
  EXPECT_EQ(info.wErrorRet, static_cast<UINT>(MMIOERR_ACCESSDENIED));

  ASSERT_NE(Open(path), HMMIO{});
  MMCKINFO riff{}, chunk{};
  sim::Faults().FailNext("mmioDescend", MMIOERR_CANNOTREAD);
  EXPECT_EQ(DescendRiff(riff), MMIOERR_CANNOTREAD);
  ASSERT_EQ(DescendRiff(riff), MMSYSERR_NOERROR) << "only the next call failed";
  ASSERT_EQ(Find(chunk, "fmt ", &riff), MMSYSERR_NOERROR);
  sim::Faults().FailNext("mmioRead", -1);
  char bytes[16];
  EXPECT_EQ(mmioRead(file_, bytes, 16), -1);
  sim::Faults().FailNext("mmioAscend", MMIOERR_CANNOTSEEK);
  EXPECT_EQ(mmioAscend(file_, &chunk, 0), MMIOERR_CANNOTSEEK);
  sim::Faults().FailNext("mmioClose", MMIOERR_CANNOTCLOSE);
  EXPECT_EQ(mmioClose(file_, 0), MMIOERR_CANNOTCLOSE);

  const auto &journal = sim::OperationJournal();
  const auto opens = journal.Entries("mmioOpenA");
  ASSERT_EQ(opens.size(), 2u);
  EXPECT_EQ(opens[0].result, MMIOERR_ACCESSDENIED);
  EXPECT_EQ(opens[1].call.Arg("szFilename"), path);
  const int descend = journal.Find([](const sim::JournalEntry &entry) {
    return entry.call.operation == "mmioDescend" && entry.call.Arg("ckid") == "fmt ";
  });
  EXPECT_GT(descend, journal.Find("mmioOpenA"));
  EXPECT_EQ(journal.Count("mmioRead"), 1u);
  EXPECT_EQ(journal.Entries("mmioClose").back().result, MMIOERR_CANNOTCLOSE);
}

}  // namespace
