#include "platform/win32/mp3_decoder.h"

#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>

#include <algorithm>
#include <cstring>

namespace platform {

namespace {

// Room for several of the largest layer III frames (1441 bytes) and what
// the codec gives for them.
constexpr std::size_t sourceBytes = 8192;
constexpr std::size_t decodedBytes = 65536;

}  // namespace

Mp3Decoder::~Mp3Decoder() { closeCodec(); }

void Mp3Decoder::closeCodec() {
    auto* stream = static_cast<HACMSTREAM>(codec);
    auto* streamHeader = static_cast<ACMSTREAMHEADER*>(header);
    if (stream && streamHeader) {
        streamHeader->cbSrcLength = DWORD(source.size());   // as prepared
        streamHeader->cbDstLength = DWORD(decoded.size());
        acmStreamUnprepareHeader(stream, streamHeader, 0);
    }
    delete streamHeader;
    header = nullptr;
    if (stream) acmStreamClose(stream, 0);
    codec = nullptr;
}

bool Mp3Decoder::open(int rate) {
    closeCodec();
    if (rate < 8000 || rate > 192000 || !mp3::readLayout(data, size, frameLayout)) return false;
    mp3::FrameHeader first;
    const mp3::Frame& firstFrame = frameLayout.frames.front();
    mp3::parseHeader(data + firstFrame.offset, size - firstFrame.offset, first);

    MPEGLAYER3WAVEFORMAT mp3{};
    mp3.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    mp3.wfx.nChannels = WORD(first.channels);
    mp3.wfx.nSamplesPerSec = DWORD(first.rate);
    mp3.wfx.nAvgBytesPerSec = DWORD(first.bitrate / 8);
    mp3.wfx.nBlockAlign = 1;
    mp3.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    mp3.wID = MPEGLAYER3_ID_MPEG;
    mp3.fdwFlags = MPEGLAYER3_FLAG_PADDING_OFF;
    mp3.nBlockSize = WORD(first.length - ((data[firstFrame.offset + 2] >> 1) & 1));
    mp3.nFramesPerBlock = 1;

    WAVEFORMATEX pcm{};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    pcm.nChannels = WORD(first.channels);
    pcm.nSamplesPerSec = DWORD(first.rate);
    pcm.wBitsPerSample = 16;
    pcm.nBlockAlign = WORD(2 * first.channels);
    pcm.nAvgBytesPerSec = pcm.nSamplesPerSec * pcm.nBlockAlign;

    HACMSTREAM stream = nullptr;
    if (acmStreamOpen(&stream, nullptr, &mp3.wfx, &pcm, nullptr, 0, 0, 0) != MMSYSERR_NOERROR) return false;
    codec = stream;
    source.assign(sourceBytes, 0);
    decoded.assign(decodedBytes, 0);
    auto* streamHeader = new ACMSTREAMHEADER{};
    streamHeader->cbStruct = sizeof *streamHeader;
    streamHeader->pbSrc = source.data();
    streamHeader->cbSrcLength = DWORD(source.size());
    streamHeader->pbDst = decoded.data();
    streamHeader->cbDstLength = DWORD(decoded.size());
    if (acmStreamPrepareHeader(stream, streamHeader, 0) != MMSYSERR_NOERROR) {
        delete streamHeader;
        closeCodec();
        return false;
    }
    header = streamHeader;

    outputRate = rate;
    sourceFill = 0;
    nextFrame = 0;
    started = false;
    finished = false;
    skip = frameLayout.leadingSamples();
    remaining = frameLayout.length();
    input.clear();
    position = 0;
    step = (std::uint64_t(first.rate) << 32) / std::uint64_t(rate);
    return true;
}

// Keeps what lies between the leading samples to drop and the length.
void Mp3Decoder::take(const std::int16_t* pcm, std::size_t samples) {
    const int channels = frameLayout.first.channels;
    std::size_t frames = samples / std::size_t(channels);
    std::size_t dropped = std::min<std::size_t>(frames, std::size_t(skip));
    skip -= long(dropped);
    frames = std::min<std::size_t>(frames - dropped, std::size_t(remaining));
    remaining -= long(frames);
    pcm += dropped * std::size_t(channels);
    for (std::size_t i = 0; i < frames; ++i) {
        const std::int16_t left = pcm[i * std::size_t(channels)];
        input.push_back(left);
        input.push_back(channels == 2 ? pcm[i * 2 + 1] : left);
    }
}

bool Mp3Decoder::decodeMore() {
    auto* stream = static_cast<HACMSTREAM>(codec);
    auto* streamHeader = static_cast<ACMSTREAMHEADER*>(header);
    if (!stream || finished) return false;
    DWORD flags = started ? 0 : ACM_STREAMCONVERTF_START;
    if (nextFrame < frameLayout.frames.size()) {
        const mp3::Frame& frame = frameLayout.frames[nextFrame];
        if (frame.length > source.size() - sourceFill) {
            finished = true;   // the codec keeps refusing what it was given
            return false;
        }
        std::memcpy(source.data() + sourceFill, data + frame.offset, frame.length);
        sourceFill += frame.length;
        ++nextFrame;
    } else {
        flags |= ACM_STREAMCONVERTF_END;   // flush what the codec still holds
        finished = true;
    }
    streamHeader->cbSrcLength = DWORD(sourceFill);
    streamHeader->cbDstLength = DWORD(decoded.size());
    streamHeader->cbSrcLengthUsed = 0;
    streamHeader->cbDstLengthUsed = 0;
    if (acmStreamConvert(stream, streamHeader, flags) != MMSYSERR_NOERROR) {
        finished = true;
        return false;
    }
    started = true;
    const std::size_t used = std::min<std::size_t>(streamHeader->cbSrcLengthUsed, sourceFill);
    std::memmove(source.data(), source.data() + used, sourceFill - used);
    sourceFill -= used;
    const std::size_t bytes = std::min<std::size_t>(streamHeader->cbDstLengthUsed, decoded.size());
    take(reinterpret_cast<const std::int16_t*>(decoded.data()), bytes / 2);
    return true;
}

std::size_t Mp3Decoder::read(std::int16_t* out, std::size_t frames) {
    std::size_t written = 0;
    while (written < frames) {
        const std::size_t available = input.size() / 2;
        const std::size_t at = std::size_t(position >> 32);
        // Interpolation needs the next input frame too, except at the end.
        if (at + 1 >= available && !finished) {
            if (!decodeMore() && !finished) break;
            continue;
        }
        if (at >= available) break;
        const std::uint32_t fraction = std::uint32_t(position);
        const std::size_t after = std::min(at + 1, available - 1);
        for (int c = 0; c < 2; ++c) {
            const std::int64_t a = input[2 * at + c], b = input[2 * after + c];
            out[2 * written + c] = std::int16_t(a + (((b - a) * std::int64_t(fraction)) >> 32));
        }
        ++written;
        position += step;
        // Drop what no later output needs.
        const std::size_t consumed = std::size_t(position >> 32);
        if (consumed > 4096 && consumed <= input.size() / 2) {
            input.erase(input.begin(), input.begin() + std::ptrdiff_t(2 * consumed));
            position -= std::uint64_t(consumed) << 32;
        }
    }
    return written;
}

}  // namespace platform
