// The one failure boundary of the readers: whatever a Decode body throws
// comes back as false and a message in lastError.
#include <gtest/gtest.h>

#include <new>
#include <string>

#include "image/dib_image.h"

namespace {

class FailingReader : public CDibImage {
public:
    FailingReader() : CDibImage(ImageFormat::Bmp) {}
    template <typename Failure>
    bool Decode(Failure failure)
    {
        try {
            throw failure;
        } catch (...) {
            return DecodeFailure();
        }
    }
};

TEST(ReaderFailure, EveryExceptionBecomesFalseAndAMessage)
{
    const std::string longText(300, 'x');
    struct Case {
        const char* name;
        bool (*fail)(FailingReader&, const std::string&);
        std::string message;
    };
    const Case cases[] = {
        {"message", [](FailingReader& r, const std::string&) { return r.Decode("Bad header"); }, "Bad header"},
        {"long message", [](FailingReader& r, const std::string& t) { return r.Decode(t.c_str()); },
         std::string(255, 'x')},
        {"no memory", [](FailingReader& r, const std::string&) { return r.Decode(std::bad_alloc()); },
         CDibImage::OUT_OF_MEMORY_TEXT},
        {"anything else", [](FailingReader& r, const std::string&) { return r.Decode(7); },
         CDibImage::UNEXPECTED_FAILURE_TEXT},
    };
    for (const Case& c : cases) {
        FailingReader reader;
        EXPECT_FALSE(c.fail(reader, longText)) << c.name;
        EXPECT_EQ(std::string(reader.LastError()), c.message) << c.name;
    }
}

}  // namespace
