#pragma once

#include <QString>

#include <cstdint>

// The wave files the recorder works on: a canonical 44-byte PCM header written before
// recording starts, whose format then governs the recording, and the fix-up of its two size
// fields once the sound data has been appended behind it.

// The size of the header WriteWaveHeader writes: the RIFF, "fmt " and "data" chunk heads.
inline constexpr int WaveHeaderSize = 44;

// Writes a 44-byte PCM wave header with no sound data (RIFF size 36, data size 0) into
// FileName, replacing an existing file. The byte rate and block align follow from Channels,
// BitsPerSample and SampleRate. Raises Error when the file cannot be written.
void WriteWaveHeader(int Channels, int BitsPerSample, const QString& FileName, int SampleRate);

// The position of the first sound byte of a RIFF/WAVE file: the payload of its "data" chunk,
// found by walking the chunks after the RIFF head, so that extra chunks (LIST, fact) are
// skipped. Raises Error when the file is not a wave file or has no data chunk.
std::int64_t WaveDataOffset(const QString& FileName);

// Makes the size fields of a wave file whose sound data runs to the end of the file agree
// with the file's length: the RIFF size becomes the length minus 8 and the data size the
// length behind the data chunk's head. A partial frame at the end (a recording cut in the
// middle of a frame) is cut off first, so players see whole frames only. Raises Error when
// the file is not a wave file or cannot be written.
void FinishWaveFile(const QString& FileName);
