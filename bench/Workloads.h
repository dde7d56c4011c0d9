// The three shapes of workload: a reader filling a container from an array value, an in-place change of
// an array value, and a writer making an array value from a container.
#pragma once

#include "ArrayValues.h"
#include "Workload.h"

#include <cstring>
#include <memory>
#include <vector>

namespace Bench {

template <class Element>
void Empty(std::vector<Element>& output) {
    output.clear();
}

template <class Element>
void Empty(SArray<Element>& output) {
    output.Clear();
}

template <class Element>
void Reserve(std::vector<Element>& output, std::size_t count) {
    output.reserve(count);
}

template <class Element>
void Reserve(SArray<Element>& output, std::size_t count) {
    output.SetCapacity(count, false);
}

// The bytes a filled output takes: its elements, and for texts their characters too.
template <class Element>
std::size_t BytesHeld(const std::vector<Element>& output) {
    return output.size() * sizeof(Element);
}

template <class Element>
std::size_t BytesHeld(const SArray<Element>& output) {
    return output.Count() * sizeof(Element);
}

inline std::size_t BytesHeld(const std::vector<WideString>& texts) {
    std::size_t bytes = texts.size() * sizeof(WideString);
    for (const WideString& text : texts)
        bytes += (text.capacity() + 1) * sizeof(WCHAR);
    return bytes;
}

// A buffer allocated and written once, so that copying into it costs no page faults.
inline std::vector<std::byte> TouchedBuffer(std::size_t bytes) {
    return std::vector<std::byte>(bytes, std::byte{1});
}

// read(input, output) is the library's call, readByElement(input, output) the peer. Both find the
// output emptied; the library's readers that append need it so, the others do not mind.
template <class Output, class Read, class ReadByElement>
class ReaderWorkload final : public Workload {
public:
    // The limit copies the input array's data, or `payload` when the data only refer to it.
    ReaderWorkload(std::unique_ptr<OwnedValue> input, Read read, ReadByElement readByElement,
                   std::size_t outputElements, std::vector<std::byte> payload = {})
        : input_(std::move(input)), read_(read), readByElement_(readByElement), payload_(std::move(payload)) {
        const SAFEARRAY& array = *(**input_).parray;
        limitSource_ = payload_.empty() ? input_->Data() : payload_.data();
        bytes = payload_.empty() ? static_cast<std::size_t>(array.rgsabound[0].cElements) * array.cbElements
                                 : payload_.size();
        buffer_ = TouchedBuffer(bytes);
        // The reused output has its capacity from the start (an SArray filled by appends would grow by
        // its fixed increment), and is filled once so that its pages are touched.
        Reserve(output_, outputElements);
        Library();
        outputBytes = BytesHeld(output_);
    }

    void Library() override {
        Empty(output_);
        read_(**input_, output_);
        Touch(&output_);
    }
    void FreshOutput() override {
        Output output;
        read_(**input_, output);
        Touch(&output);
    }
    void Limit() override {
        std::memcpy(buffer_.data(), limitSource_, bytes);
        Touch(buffer_.data());
    }
    void Peer() override {
        Empty(output_);
        readByElement_(**input_, output_);
        Touch(&output_);
    }

private:
    std::unique_ptr<OwnedValue> input_;
    Read read_;
    ReadByElement readByElement_;
    std::vector<std::byte> payload_;
    const std::byte* limitSource_ = nullptr;
    std::vector<std::byte> buffer_;
    Output output_;
};

template <class Output, class Read, class ReadByElement>
std::unique_ptr<Workload> Reader(std::unique_ptr<OwnedValue> input, std::size_t outputElements, Read read,
                                 ReadByElement readByElement, std::vector<std::byte> payload = {}) {
    return std::make_unique<ReaderWorkload<Output, Read, ReadByElement>>(
        std::move(input), read, readByElement, outputElements, std::move(payload));
}

// change(value) is the library's call, changeByElement(value) the peer; both change the input where it
// stands, and the limit copies it.
template <class Change, class ChangeByElement>
class InPlaceWorkload final : public Workload {
public:
    InPlaceWorkload(std::unique_ptr<OwnedValue> value, Change change, ChangeByElement changeByElement)
        : value_(std::move(value)), change_(change), changeByElement_(changeByElement) {
        const SAFEARRAY& array = *(**value_).parray;
        bytes = static_cast<std::size_t>(array.rgsabound[0].cElements) * array.cbElements;
        buffer_ = TouchedBuffer(bytes);
    }

    void Library() override { change_(**value_); }
    void Limit() override {
        std::memcpy(buffer_.data(), value_->Data(), bytes);
        Touch(buffer_.data());
    }
    void Peer() override { changeByElement_(**value_); }

private:
    std::unique_ptr<OwnedValue> value_;
    Change change_;
    ChangeByElement changeByElement_;
    std::vector<std::byte> buffer_;
};

// What a writer's limit makes: an array of `count` elements of `elementType`, into which `elements`
// (bytes in the array's layout) are copied in one block.
struct WrittenArray {
    VARTYPE elementType;
    std::size_t count;
    std::vector<std::byte> elements;
};

// write(source, output) is the library's call; putEach(source, array) the peer, filling a new array of
// `peerArray` type and count one element at a time. Every run destroys the array it made.
template <class Source, class Write, class PutEach>
class WriterWorkload final : public Workload {
public:
    WriterWorkload(std::unique_ptr<Source> source, WrittenArray limitArray, WrittenArray peerArray,
                   Write write, PutEach putEach)
        : source_(std::move(source)), limitArray_(std::move(limitArray)), peerArray_(std::move(peerArray)),
          write_(write), putEach_(putEach) {
        bytes = limitArray_.elements.size();
    }

    void Library() override {
        VARIANT output;
        VariantInit(&output);
        write_(*source_, output);
        Check(SafeArrayDestroy(output.parray));
    }
    void Limit() override {
        SAFEARRAY* array = Create(limitArray_);
        void* data = nullptr;
        Check(SafeArrayAccessData(array, &data));
        std::memcpy(data, limitArray_.elements.data(), bytes);
        Check(SafeArrayUnaccessData(array));
        Check(SafeArrayDestroy(array));
    }
    void Peer() override {
        SAFEARRAY* array = Create(peerArray_);
        putEach_(*source_, array);
        Check(SafeArrayDestroy(array));
    }

private:
    static SAFEARRAY* Create(const WrittenArray& written) {
        SAFEARRAY* array = SafeArrayCreateVector(written.elementType, 0, static_cast<ULONG>(written.count));
        if (array == nullptr)
            throw _com_error(E_OUTOFMEMORY);
        return array;
    }

    std::unique_ptr<Source> source_;
    WrittenArray limitArray_;
    WrittenArray peerArray_;
    Write write_;
    PutEach putEach_;
};

template <class Source, class Write, class PutEach>
std::unique_ptr<Workload> Writer(std::unique_ptr<Source> source, WrittenArray limitArray,
                                 WrittenArray peerArray, Write write, PutEach putEach) {
    return std::make_unique<WriterWorkload<Source, Write, PutEach>>(std::move(source), std::move(limitArray),
                                                                    std::move(peerArray), write, putEach);
}

// The bytes of `count` elements of type Element, as an array of them holds them.
template <class Element, class ValueAt>
std::vector<std::byte> ElementBytes(std::size_t count, ValueAt valueAt) {
    std::vector<std::byte> bytes(count * sizeof(Element));
    for (std::size_t index = 0; index < count; ++index) {
        const Element value = valueAt(index);
        std::memcpy(bytes.data() + index * sizeof(Element), &value, sizeof(Element));
    }
    return bytes;
}

} // namespace Bench
