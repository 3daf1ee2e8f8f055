#pragma once
// Binarisation and 8-connected blob analysis over bit-packed binary images, in one
// pass over the foreground runs: no label image, no allocation per frame once the
// scratch has grown to the frame's needs.
#include <cstdint>
#include <vector>

namespace velmar {

// A 1-bit image, rows of 64-bit words; bit i of word w of a row is column 64*w + i.
struct BitImage {
  int width = 0;
  int height = 0;
  int wordsPerRow = 0;
  std::vector<std::uint64_t> words;

  void Resize(int w, int h);
  bool Get(int x, int y) const;
  void Set(int x, int y, bool on);
  const std::uint64_t* Row(int y) const { return words.data() + static_cast<std::size_t>(y) * wordsPerRow; }
  std::uint64_t* Row(int y) { return words.data() + static_cast<std::size_t>(y) * wordsPerRow; }
};

// dst pixel = 1 where src grey >= bound. src holds width*height bytes, row after row
// with the given stride. dst is resized to width by height.
void Binarize(const std::uint8_t* src, int width, int height, int stride, int bound, BitImage& dst);
// One row: width pixels -> (width + 63) / 64 words, 1 <= bound <= 255.
void BinarizeRow(const std::uint8_t* line, int width, std::uint8_t bound, std::uint64_t* row);

struct BlobList {
  std::vector<float> area;
  std::vector<float> centerX;  // unweighted mean of the pixels' column numbers
  std::vector<float> centerY;  // and of their row numbers
  std::size_t count() const { return area.size(); }
};

// The 8-connected blobs of image in the same order as BlobScratch gives them, each
// centre of gravity weighted by the grey levels under its pixels (grey has the
// given stride and covers the image); a blob whose pixels are all 0 in grey keeps
// its plain centre. Slower than the run labelling: for single test frames.
void GreyWeightedBlobs(const BitImage& image, const std::uint8_t* grey, int stride, BlobList& out);

// Reusable working space of the run labelling.
class BlobScratch {
 public:
  // Finds the 8-connected blobs of image; blobs come in raster order of their first pixel.
  void Analyse(const BitImage& image, BlobList& out);
  // Binarize and Analyse in one pass over the frame: each row is labelled as soon
  // as it is binarised. binary receives the same bits as Binarize gives.
  void Detect(const std::uint8_t* src, int width, int height, int stride, int bound, BitImage& binary,
              BlobList& out);

 private:
  struct Run {
    std::int32_t start, end, label;
  };
  std::int32_t NewLabel();
  std::int32_t Find(std::int32_t label);
  std::int32_t Join(std::int32_t a, std::int32_t b);
  void Begin();
  void AddRow(const std::uint64_t* row, int wordsPerRow, int width, int y);
  void AddNonEmptyRow(const std::uint64_t* row, int wordsPerRow, int width, int y);
  void Finish(BlobList& out);
  void ExtractRuns(const std::uint64_t* row, int wordsPerRow, int width, std::vector<Run>& runs);
  // The same from the words known to hold pixels (bit w: word w; rows of 64 words at most).
  void ExtractRunsOfWords(const std::uint64_t* row, std::uint64_t words, std::vector<Run>& runs);
  // The runs of one word whose first pixel is base; a run reaching its end stays open.
  static void RunsOfWord(std::uint64_t bits, std::int32_t base, std::int32_t& openStart, std::vector<Run>& runs);
  void LabelRow(int y);

  // A label's parent and sums side by side: one cache line per touch.
  struct Label {
    std::int32_t parent;
    std::int32_t area;
    std::int64_t sumX, sumY;
  };
  std::vector<Run> previous_, current_;
  std::vector<Label> labels_;
  std::int32_t labelCount_ = 0;
};

}  // namespace velmar
