#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstddef>
#include <cstdint>

// What every fuzz target shares: cutting the input into fields, a private scratch folder, and a check
// that stops the run with a message the way a crash does, so that libFuzzer keeps the input.
namespace Fuzz
{

// The input cut at its first count - 1 NUL bytes into count fields; the last field is the rest of the
// input (NUL bytes included), missing fields are empty.
QList<QByteArray> Fields(const uint8_t* data, size_t size, int count);

// A folder of this process under the system's temporary folder, emptied by every call, so that each
// input starts from nothing. Targets write nowhere else.
QString CleanFolder();

// Writes the bytes to the file; stops the run when that fails (the target's own fault, not a finding).
void WriteFile(const QString& path, const QByteArray& bytes);
QByteArray ReadFile(const QString& path);

// A broken invariant: prints what was expected and aborts.
[[noreturn]] void Fail(const char* what, const QByteArray& detail = {});

inline void Check(bool condition, const char* what, const QByteArray& detail = {})
{
    if (!condition)
        Fail(what, detail);
}

// Whether checks that a known, reported fault breaks are wanted too (PICTOFERRY_FUZZ_STRICT=1), so that
// the reproducers in fuzz/findings/ show the fault while the ordinary runs look for new ones.
bool Strict();

// What the profile-file reader gives back for a value that was written: the text up to its first line
// break, without surrounding blanks, cut to the read limit without splitting a UTF-8 sequence.
QByteArray StoredValue(const QByteArray& written);

// Whether a section or key name is one the profile-file format can hold and find again: not empty, no
// surrounding blanks, no line break, no "=", "[" or "]", and not starting with ";".
bool StorableName(const QByteArray& name);

} // namespace Fuzz
