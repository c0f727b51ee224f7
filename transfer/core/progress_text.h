#ifndef ORBNET_TRANSFER_PROGRESS_TEXT_H
#define ORBNET_TRANSFER_PROGRESS_TEXT_H

// What the progress window says, worked out without a window: sizes in
// readable units, the share done, the rate over the last seconds and the
// time left.

#include <cstdint>

// A total that is not known.
constexpr uint64_t kNoTotal = ~0ull;

// Writes format into out (size bytes, always terminated, cut to fit) with
// each conversion taking the next of texts: %s, %u, %d, %i, %lu, %llu,
// %I64u and the like. "%%" is one percent sign; a conversion past the texts
// given is left out, any other '%' stays as it is. Formats come from the
// language module, so nothing of printf is used. The length written.
uint32_t FillFormat(const char* format, const char* const* texts, uint32_t count, char* out, uint32_t size);

// The decimal digits of value; out holds at least 21 bytes.
void DecimalText(uint64_t value, char* out);

// The texts of the window, from the language module; an empty or null one
// is missing.
struct ProgressWords {
    // "%s bytes", "%s KB", "%s MB", "%s GB", "%s TB".
    const char* units[5];
    const char* decimalPoint;  // "."
    const char* countOf;       // "%s of %s": bytes done and total
    const char* countAlone;    // "%s received" or "%s sent"
    const char* exactCount;    // "%lu bytes received" or "%lu bytes sent"
    const char* percent;       // "%s%%"
    const char* rate;          // "%s/s"
    const char* rateAndLeft;   // "%s/s, %s left"
    const char* seconds;       // "%s s"
    const char* minutesSeconds;  // "%s min %s s"
    const char* minutes;       // "%s min"
    const char* hoursMinutes;  // "%s h %s min"
};

// bytes in the largest binary unit (1024) that keeps it at least 1: one
// decimal below 100 of the unit ("1.2 MB", "12.5 MB", "123 MB"), exact
// below 1 KB ("512 bytes"), rounded to the nearest. Without the unit's
// text, the exact count.
void ReadableSize(uint64_t bytes, const ProgressWords& words, char* out, uint32_t size);

// A duration for "time left": "45 s", "2 min 5 s" below ten minutes,
// "12 min" below an hour, "1 h 5 min" above.
void ReadableDuration(uint32_t seconds, const ProgressWords& words, char* out, uint32_t size);

// The share of total that done is, rounded down, in [0, scale]; scale when
// total is 0.
uint32_t ShareOf(uint64_t done, uint64_t total, uint32_t scale);

// Measures the rate of a transfer from the counts noted as it runs (with
// the time of each, in ms of a clock that may wrap).
class TransferMeter {
public:
    TransferMeter();
    // The transfer starts, with nothing moved yet.
    void Begin(uint32_t now);
    // bytes have moved in all by now. Cheap: keeps one sample per
    // kSampleSpacing ms.
    void Note(uint32_t now, uint64_t bytes);
    // Bytes per second over the last kWindow ms (less when the transfer is
    // younger), once it has run kFirstRate ms; false before.
    bool Rate(uint32_t now, uint64_t* bytesPerSecond) const;
    // Seconds until total at that rate, rounded up; false without a rate,
    // with a rate of 0 or with nothing left.
    bool SecondsLeft(uint32_t now, uint64_t total, uint32_t* seconds) const;

    static constexpr uint32_t kFirstRate = 1000;
    static constexpr uint32_t kWindow = 5000;
    static constexpr uint32_t kSampleSpacing = 100;
    static constexpr uint32_t kSamples = kWindow / kSampleSpacing + 2;

private:
    struct Sample {
        uint32_t time;
        uint64_t bytes;
    };
    Sample samples_[kSamples];
    uint32_t first_;   // index of the oldest sample
    uint32_t count_;   // samples held
    uint32_t begun_;   // time of Begin
    uint64_t latest_;  // bytes at the last Note
    uint32_t latestTime_;
    bool started_;
};

// What the window shows at one moment.
struct ProgressFacts {
    uint64_t done;
    uint64_t total;  // kNoTotal when not known
    bool hasRate;
    uint64_t rate;   // bytes per second
    bool hasLeft;
    uint32_t secondsLeft;
};

struct ProgressLines {
    char count[160];    // "1.2 MB of 3.0 MB", "1.2 MB received"
    char percent[16];   // "40%"; empty without a total
    char rate[160];     // "850 KB/s, 3 s left", "850 KB/s"; empty before measured
    uint32_t permille;  // the bar, 0..1000
    bool bar;           // the total is known: bar and percentage show
};

// A total smaller than what has moved is not believed (the count goes on
// without a bar). Without the readable texts (a language module that has
// only the exact count) the count line is that one.
void ComposeProgress(const ProgressFacts& facts, const ProgressWords& words, ProgressLines* lines);

#endif
