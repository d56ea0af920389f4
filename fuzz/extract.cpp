// The "*" extraction and the first-occurrence replacement: the text found lies between the first
// occurrence of the part before "*" and the next occurrence of the part after it.
#include "FuzzSupport.h"

#include "engine/Data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // pattern, then the reply
    const QList<QByteArray> fields = Fuzz::Fields(data, size, 2);
    const QByteArray& pattern = fields[0];
    const QByteArray& text = fields[1];

    const QByteArray found = Data::ExtractBetween(pattern, text);
    const qsizetype star = pattern.indexOf('*');
    if (star < 0) {
        Fuzz::Check(found == "error", "a pattern without * finds nothing", pattern);
    } else {
        const QByteArray before = pattern.left(star);
        const QByteArray after = pattern.mid(star + 1);
        const qsizetype open = text.indexOf(before);
        const bool present = open >= 0 && text.indexOf(after, open + before.size()) >= 0;
        if (present) {
            Fuzz::Check(text.mid(open, before.size() + found.size() + after.size()) == before + found + after,
                "the text found lies between the two parts", pattern);
            Fuzz::Check(text.indexOf(after, open + before.size()) == open + before.size() + found.size(),
                "it ends at the first closing part", pattern);
        } else {
            Fuzz::Check(found == "error", "a missing part finds nothing", pattern);
        }
    }

    Fuzz::Check(Data::ReplaceFirst(text, pattern, pattern) == text, "replacing a text by itself changes nothing");
    const qsizetype removed = text.contains(pattern) ? pattern.size() : 0;
    Fuzz::Check(Data::ReplaceFirst(text, pattern, {}).size() == text.size() - removed,
        "a replacement removes one occurrence at most", pattern);
    return 0;
}
