// Object text conversion speed over a design-like description of about 1 MB: nested
// objects with integers, floats, identifiers, strings (ASCII and not), sets, lists,
// collections and picture-sized binary blocks. Bytes processed = the text's size, both ways.

#include "graphics/ObjectText.h"

#include "platform/rtl/ValueStream.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

constexpr size_t kTargetTextSize = 1024 * 1024;

void WriteChild(rtl::TValueWriter& w, int index)
{
    const std::string number = std::to_string(index);
    std::string name = "Text";
    name += number;
    w.WriteObjectHeader({ 0, 0, "ThvExtrudedText", name });
    std::string point = "(";
    point += number;
    point += ",0.5,-2)";
    w.WriteStr("Position.Point");
    w.WriteString(point);
    w.WriteStr("Width");
    w.WriteFloat(12.75 + index);
    w.WriteStr("Depth");
    w.WriteFloat(1.0 / (index + 3));
    w.WriteStr("Tag");
    w.WriteInteger(index * 977);
    w.WriteStr("Align");
    w.WriteIdent("hvAlignClient");
    w.WriteStr("Visible");
    w.WriteBoolean(index % 3 != 0);
    w.WriteStr("Text");
    w.WriteWideString(u"Lettering \u00E9t\u00E9 " + std::u16string(u"no. ") + char16_t(u'0' + index % 10));
    w.WriteStr("Caption");
    w.WriteString("It's a caption\r\nwith a line break");
    w.WriteStr("Options");
    const std::string names[] = { "hvBevel", "hvSmooth", "hvCaps" };
    w.WriteSet(names);
    w.WriteStr("Points");
    w.WriteListBegin();
    for (int i = 0; i < 6; ++i)
        w.WriteFloat(i * 0.125 - index);
    w.WriteListEnd();
    w.WriteStr("Stops");
    w.WriteCollectionBegin();
    for (int i = 0; i < 3; ++i) {
        w.WriteCollectionItemBegin();
        w.WriteStr("Color");
        w.WriteInteger(static_cast<int32_t>(0xFF000000u | static_cast<uint32_t>(i * 0x102030)));
        w.WriteStr("Offset");
        w.WriteFloat(i / 2.0);
        w.WriteListEnd();
    }
    w.WriteListEnd();
    w.WriteStr("PNG");
    std::vector<uint8_t> picture(400);
    for (size_t i = 0; i < picture.size(); ++i)
        picture[i] = static_cast<uint8_t>(i * 31 + index);
    w.WriteBinary(picture);
    w.WriteListEnd();
    w.WriteListEnd();
}

struct Sample {
    std::string text;
    std::vector<uint8_t> binary;
};

Sample Build(int children)
{
    Sample s;
    rtl::TMemoryStream binary;
    rtl::TValueWriter w(binary);
    w.WriteSignature();
    w.WriteObjectHeader({ 0, 0, "ThvScene", "Scene" });
    w.WriteListEnd();
    for (int i = 0; i < children; ++i)
        WriteChild(w, i);
    w.WriteListEnd();
    s.binary.assign(binary.Bytes().begin(), binary.Bytes().end());
    binary.SetPosition(0);
    rtl::TMemoryStream text;
    ObjectStreamToText(binary, text);
    s.text.assign(text.Bytes().begin(), text.Bytes().end());
    return s;
}

const Sample& TheSample()
{
    static const Sample sample = [] {
        const size_t perChild = Build(2).text.size() - Build(1).text.size();
        return Build(static_cast<int>(kTargetTextSize / perChild));
    }();
    return sample;
}

void BM_ObjectTextToStream(benchmark::State& state)
{
    const Sample& sample = TheSample();
    for (auto _ : state) {
        rtl::TConstMemoryStream in(sample.text.data(), sample.text.size());
        rtl::TMemoryStream out;
        ObjectTextToStream(in, out);
        benchmark::DoNotOptimize(out.Memory());
    }
    state.SetBytesProcessed(
        static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(sample.text.size()));
    state.counters["text_bytes"] = static_cast<double>(sample.text.size());
    state.counters["binary_bytes"] = static_cast<double>(sample.binary.size());
}
BENCHMARK(BM_ObjectTextToStream)->Unit(benchmark::kMillisecond);

void BM_ObjectStreamToText(benchmark::State& state)
{
    const Sample& sample = TheSample();
    for (auto _ : state) {
        rtl::TConstMemoryStream in(sample.binary.data(), sample.binary.size());
        rtl::TMemoryStream out;
        ObjectStreamToText(in, out);
        benchmark::DoNotOptimize(out.Memory());
    }
    state.SetBytesProcessed(
        static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(sample.text.size()));
    state.counters["text_bytes"] = static_cast<double>(sample.text.size());
    state.counters["binary_bytes"] = static_cast<double>(sample.binary.size());
}
BENCHMARK(BM_ObjectStreamToText)->Unit(benchmark::kMillisecond);

} // namespace
