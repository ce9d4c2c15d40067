#pragma once

#include <QString>

#include <array>

// The user EDID image the System page uploads: the first 256 bytes of the file the operator chose,
// checked before anything is sent. The buffer is all zero before every attempt and after a failed check.
class EdidUpload
{
public:
    enum class Result
    {
        NoFile,
        Ready,
        NotEdid,
        BadChecksum
    };

    static constexpr int Size = 256;

    // Reads at most 256 bytes of `path` into the zeroed buffer (a shorter file leaves the rest zero, a file
    // that cannot be read leaves it all zero) and checks the image. Only a Ready image keeps its bytes.
    Result load(const QString &path);
    void clear() { buffer.fill(0); }
    const unsigned char *bytes() const { return buffer.data(); }

private:
    std::array<unsigned char, Size> buffer{};
};
