#include "transfer/core/progress_text.h"

#include <cstring>

namespace {

bool Missing(const char* text) { return !text || !*text; }

// Appends text to out[*length], keeping room for the terminator.
void Put(const char* text, uint32_t n, char* out, uint32_t size, uint32_t* length) {
    if (*length + 1 >= size) return;
    uint32_t room = size - 1 - *length;
    if (n > room) n = room;
    std::memcpy(out + *length, text, n);
    *length += n;
    out[*length] = '\0';
}

// A conversion at format[at] (just past the '%'): its length, or 0 when it
// is none of the ones taken.
uint32_t ConversionLength(const char* format, uint32_t at) {
    uint32_t pos = at;
    while (format[pos] >= '0' && format[pos] <= '9' && pos - at < 4) ++pos;
    if (format[pos] == 'I' && ((format[pos + 1] == '6' && format[pos + 2] == '4') ||
                               (format[pos + 1] == '3' && format[pos + 2] == '2')))
        pos += 3;
    else if (format[pos] == 'l' && format[pos + 1] == 'l')
        pos += 2;
    else if (format[pos] == 'l' || format[pos] == 'h')
        pos += 1;
    switch (format[pos]) {
    case 's': case 'u': case 'd': case 'i':
        return pos + 1 - at;
    default:
        return 0;
    }
}

void Fill1(const char* format, const char* a, char* out, uint32_t size) {
    const char* texts[1] = {a};
    FillFormat(format, texts, 1, out, size);
}

void Fill2(const char* format, const char* a, const char* b, char* out, uint32_t size) {
    const char* texts[2] = {a, b};
    FillFormat(format, texts, 2, out, size);
}

void Copy(const char* text, char* out, uint32_t size) {
    if (size == 0) return;
    out[0] = '\0';
    uint32_t length = 0;
    Put(text, uint32_t(std::strlen(text)), out, size, &length);
}

}  // namespace

uint32_t FillFormat(const char* format, const char* const* texts, uint32_t count, char* out, uint32_t size) {
    if (!out || size == 0) return 0;
    out[0] = '\0';
    if (!format) return 0;
    uint32_t length = 0, next = 0;
    for (uint32_t pos = 0; format[pos];) {
        if (format[pos] != '%') {
            uint32_t run = pos;
            while (format[run] && format[run] != '%') ++run;
            Put(format + pos, run - pos, out, size, &length);
            pos = run;
            continue;
        }
        if (format[pos + 1] == '%') {
            Put("%", 1, out, size, &length);
            pos += 2;
            continue;
        }
        uint32_t n = ConversionLength(format, pos + 1);
        if (n == 0) {
            Put("%", 1, out, size, &length);
            ++pos;
            continue;
        }
        if (next < count && texts && texts[next]) Put(texts[next], uint32_t(std::strlen(texts[next])), out, size, &length);
        ++next;
        pos += 1 + n;
    }
    return length;
}

void DecimalText(uint64_t value, char* out) {
    char digits[21];
    int n = 0;
    do {
        digits[n++] = char('0' + value % 10);
        value /= 10;
    } while (value);
    for (int i = 0; i < n; ++i) out[i] = digits[n - 1 - i];
    out[n] = '\0';
}

void ReadableSize(uint64_t bytes, const ProgressWords& words, char* out, uint32_t size) {
    char number[32];
    uint32_t unit = 0;
    if (bytes < 1024) {
        DecimalText(bytes, number);
    } else {
        // A unit shows below 1000 of itself, rounded to the nearest: one
        // decimal below 100.
        uint64_t whole = 0, tenths = 0;
        for (unit = 1;; ++unit) {
            const uint64_t divisor = 1ull << (10 * unit);
            whole = bytes / divisor + (bytes % divisor >= divisor / 2 ? 1 : 0);
            if (whole < 1000 || unit == 4) {
                tenths = (bytes / divisor) * 10 + ((bytes % divisor) * 10 + divisor / 2) / divisor;
                break;
            }
        }
        if (tenths < 1000) {
            DecimalText(tenths / 10, number);
            size_t n = std::strlen(number);
            const char* point = Missing(words.decimalPoint) ? "." : words.decimalPoint;
            size_t p = strnlen(point, 4);
            std::memcpy(number + n, point, p);
            number[n + p] = char('0' + tenths % 10);
            number[n + p + 1] = '\0';
        } else {
            DecimalText(whole, number);
        }
    }
    if (Missing(words.units[unit])) {
        DecimalText(bytes, number);
        Copy(number, out, size);
        return;
    }
    Fill1(words.units[unit], number, out, size);
}

void ReadableDuration(uint32_t seconds, const ProgressWords& words, char* out, uint32_t size) {
    char a[16], b[16];
    const char* format;
    if (seconds < 60) {
        DecimalText(seconds, a);
        Fill1(Missing(words.seconds) ? "%s" : words.seconds, a, out, size);
        return;
    }
    if (seconds < 600) {
        DecimalText(seconds / 60, a);
        DecimalText(seconds % 60, b);
        format = words.minutesSeconds;
    } else {
        uint32_t minutes = seconds / 60 + (seconds % 60 >= 30 ? 1 : 0);
        if (minutes < 60) {
            DecimalText(minutes, a);
            Fill1(Missing(words.minutes) ? "%s" : words.minutes, a, out, size);
            return;
        }
        DecimalText(minutes / 60, a);
        DecimalText(minutes % 60, b);
        format = words.hoursMinutes;
    }
    if (Missing(format)) {
        DecimalText(seconds, a);
        Copy(a, out, size);
        return;
    }
    Fill2(format, a, b, out, size);
}

uint32_t ShareOf(uint64_t done, uint64_t total, uint32_t scale) {
    if (done >= total) return scale;
    if (done <= ~0ull / scale) return uint32_t(done * scale / total);
    // done * scale in 128 bits (high, low), divided by total bit by bit;
    // the quotient is below scale.
    const uint64_t lowHalf = (done & 0xFFFFFFFFu) * scale;
    const uint64_t upper = (done >> 32) * scale + (lowHalf >> 32);
    const uint64_t high = upper >> 32, low = (upper << 32) | (lowHalf & 0xFFFFFFFFu);
    uint64_t remainder = 0, quotient = 0;
    for (int bit = 127; bit >= 0; --bit) {
        const bool carry = (remainder >> 63) != 0;
        const uint64_t next = bit >= 64 ? high >> (bit - 64) : low >> bit;
        remainder = (remainder << 1) | (next & 1);
        quotient <<= 1;
        if (carry || remainder >= total) {
            remainder -= total;
            quotient |= 1;
        }
    }
    return quotient >= scale ? scale - 1 : uint32_t(quotient);
}

TransferMeter::TransferMeter()
    : samples_(), first_(0), count_(0), begun_(0), latest_(0), latestTime_(0), started_(false) {}

void TransferMeter::Begin(uint32_t now) {
    started_ = true;
    begun_ = now;
    first_ = 0;
    count_ = 1;
    samples_[0] = {now, 0};
    latest_ = 0;
    latestTime_ = now;
}

void TransferMeter::Note(uint32_t now, uint64_t bytes) {
    if (!started_) Begin(now);
    latest_ = bytes;
    latestTime_ = now;
    const Sample& newest = samples_[(first_ + count_ - 1) % kSamples];
    if (now - newest.time < kSampleSpacing) return;
    if (count_ == kSamples) {
        first_ = (first_ + 1) % kSamples;
        --count_;
    }
    samples_[(first_ + count_) % kSamples] = {now, bytes};
    ++count_;
    // The oldest kept is the last one at least kWindow old.
    while (count_ >= 2 && now - samples_[(first_ + 1) % kSamples].time >= kWindow) {
        first_ = (first_ + 1) % kSamples;
        --count_;
    }
}

bool TransferMeter::Rate(uint32_t now, uint64_t* bytesPerSecond) const {
    if (!started_ || now - begun_ < kFirstRate) return false;
    // The oldest sample still inside the window, or the newest one when all
    // are older (nothing noted for a while).
    uint32_t pick = first_;
    for (uint32_t i = 0; i < count_; ++i) {
        uint32_t at = (first_ + i) % kSamples;
        pick = at;
        if (now - samples_[at].time <= kWindow) break;
    }
    const Sample& base = samples_[pick];
    uint32_t span = now - base.time;
    if (span == 0) return false;
    uint64_t moved = latest_ >= base.bytes ? latest_ - base.bytes : 0;
    *bytesPerSecond = moved <= ~0ull / 1000 ? moved * 1000 / span : moved / span * 1000;
    return true;
}

bool TransferMeter::SecondsLeft(uint32_t now, uint64_t total, uint32_t* seconds) const {
    uint64_t rate = 0;
    if (total == kNoTotal || latest_ >= total || !Rate(now, &rate) || rate == 0) return false;
    uint64_t left = total - latest_;
    uint64_t whole = left / rate + (left % rate ? 1 : 0);
    *seconds = whole > 0xFFFFFFFFull ? 0xFFFFFFFFu : uint32_t(whole);
    return true;
}

void ComposeProgress(const ProgressFacts& facts, const ProgressWords& words, ProgressLines* lines) {
    lines->count[0] = lines->percent[0] = lines->rate[0] = '\0';
    const bool known = facts.total != kNoTotal && facts.done <= facts.total;
    lines->bar = known;
    lines->permille = known ? ShareOf(facts.done, facts.total, 1000) : 0;

    char done[64], total[64];
    ReadableSize(facts.done, words, done, sizeof done);
    if (known && !Missing(words.countOf) && !Missing(words.units[0])) {
        ReadableSize(facts.total, words, total, sizeof total);
        Fill2(words.countOf, done, total, lines->count, sizeof lines->count);
    } else if (!known && !Missing(words.countAlone) && !Missing(words.units[0])) {
        Fill1(words.countAlone, done, lines->count, sizeof lines->count);
    } else {
        char exact[24];
        DecimalText(facts.done, exact);
        Fill1(Missing(words.exactCount) ? "%s" : words.exactCount, exact, lines->count, sizeof lines->count);
    }

    if (known) {
        char share[8];
        DecimalText(ShareOf(facts.done, facts.total, 100), share);
        Fill1(Missing(words.percent) ? "%s%%" : words.percent, share, lines->percent, sizeof lines->percent);
    }

    if (facts.hasRate && !Missing(words.rate)) {
        char rate[64];
        ReadableSize(facts.rate, words, rate, sizeof rate);
        if (known && facts.hasLeft && !Missing(words.rateAndLeft)) {
            char left[64];
            ReadableDuration(facts.secondsLeft, words, left, sizeof left);
            Fill2(words.rateAndLeft, rate, left, lines->rate, sizeof lines->rate);
        } else {
            Fill1(words.rate, rate, lines->rate, sizeof lines->rate);
        }
    }
}
