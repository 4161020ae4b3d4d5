#include "platform/graphics/emf/EmfWriter.h"

#include <algorithm>
#include <cstring>
#include <uemf.h>

namespace {

void Put32(std::vector<std::uint8_t>& Bytes, std::uint32_t Value)
{
    const std::size_t At = Bytes.size();
    Bytes.resize(At + 4);
    std::memcpy(Bytes.data() + At, &Value, 4);
}

} // namespace

void TEmfWriter::Add(std::uint32_t Type, std::initializer_list<std::int32_t> Fields)
{
    Add(Type, Fields, {});
}

void TEmfWriter::Add(std::uint32_t Type, std::initializer_list<std::int32_t> Fields, std::span<const std::uint8_t> Tail)
{
    const std::size_t Padded = (Tail.size() + 3) / 4 * 4;
    Put32(FRecords, Type);
    Put32(FRecords, std::uint32_t(8 + 4 * Fields.size() + Padded));
    for (const std::int32_t Field : Fields) Put32(FRecords, std::uint32_t(Field));
    FRecords.insert(FRecords.end(), Tail.begin(), Tail.end());
    FRecords.resize(FRecords.size() + Padded - Tail.size(), 0);
    ++FCount;
}

void TEmfWriter::AddRecord(std::span<const std::uint8_t> Record)
{
    FRecords.insert(FRecords.end(), Record.begin(), Record.end());
    ++FCount;
}

void TEmfWriter::UseHandle(std::uint32_t Handle)
{
    if (Handle < 0x10000) FHandles = std::max(FHandles, Handle + 1);
}

void TEmfWriter::IncludeBounds(int Left, int Top, int Right, int Bottom)
{
    if (!FHasBounds) {
        FBounds[0] = Left, FBounds[1] = Top, FBounds[2] = Right, FBounds[3] = Bottom;
        FHasBounds = true;
        return;
    }
    FBounds[0] = std::min(FBounds[0], Left);
    FBounds[1] = std::min(FBounds[1], Top);
    FBounds[2] = std::max(FBounds[2], Right);
    FBounds[3] = std::max(FBounds[3], Bottom);
}

std::vector<std::uint8_t> TEmfWriter::Finish(const std::int32_t (&Frame)[4], const TEmfReference& Reference) const
{
    constexpr std::uint32_t HeaderSize = 108, EofSize = 20;
    std::vector<std::uint8_t> Bytes;
    Bytes.reserve(HeaderSize + FRecords.size() + EofSize);
    Put32(Bytes, U_EMR_HEADER);
    Put32(Bytes, HeaderSize);
    for (const std::int32_t Edge : FBounds) Put32(Bytes, std::uint32_t(Edge));
    for (const std::int32_t Edge : Frame) Put32(Bytes, std::uint32_t(Edge));
    Put32(Bytes, U_ENHMETA_SIGNATURE);
    Put32(Bytes, 0x10000); // version
    Put32(Bytes, std::uint32_t(HeaderSize + FRecords.size() + EofSize));
    Put32(Bytes, FCount + 2);
    Put32(Bytes, FHandles); // handle count, reserved word 0
    Put32(Bytes, 0);        // no description
    Put32(Bytes, 0);
    Put32(Bytes, 0); // no palette entries
    Put32(Bytes, std::uint32_t(Reference.PixelsX));
    Put32(Bytes, std::uint32_t(Reference.PixelsY));
    Put32(Bytes, std::uint32_t(Reference.MicronsX / 1000));
    Put32(Bytes, std::uint32_t(Reference.MicronsY / 1000));
    Put32(Bytes, 0); // no pixel format
    Put32(Bytes, 0);
    Put32(Bytes, 0); // no OpenGL
    Put32(Bytes, std::uint32_t(Reference.MicronsX));
    Put32(Bytes, std::uint32_t(Reference.MicronsY));
    Bytes.insert(Bytes.end(), FRecords.begin(), FRecords.end());
    Put32(Bytes, U_EMR_EOF);
    Put32(Bytes, EofSize);
    Put32(Bytes, 0);  // no palette
    Put32(Bytes, 16); // offset of the (empty) palette
    Put32(Bytes, EofSize);
    return Bytes;
}
