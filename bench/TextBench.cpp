// What the text system's layout costs: a form of paragraphs (label, tab, value; every fourth one
// holds a 120 x 20 attachment) laid out and drawn in a 600-pt-wide container, then typed into one
// character at a time in paragraph 100, at 200 and at 2,000 paragraphs. The Qt peer does the same
// with a QTextDocument and inline objects; the ratios are reported as counters. The view-level
// runs type through a text view in a window (the edit pipeline with its delegate questions, the
// selection and caret, then the display of what the keystroke marked dirty) against a QTextEdit.

#include "kit/appkit/ScrollView.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/text/LayoutManager.h"
#include "kit/text/TextAttachment.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextStorage.h"
#include "kit/text/TextView.h"
#include "kit/text/Typesetter.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QUrl>

#include <benchmark/benchmark.h>

#include <ctime>
#include <functional>

namespace {

constexpr double benchWidth = 600;
constexpr double benchVisibleHeight = 400;

class ViewCell : public kit::TextAttachmentCell {
public:
    kit::Size cellSize() const override { return { 120, 20 }; }
};

// A typesetter whose hook changes nothing, but is not the default one.
class PassThroughTypesetter : public kit::Typesetter {
public:
    void willSetLineFragmentRectForGlyphRangeUsedRectBaselineOffset(kit::Rect&, kit::Range, kit::Rect&, double&) override { }
};

struct Form {
    kit::Ref<kit::TextStorage> storage = kit::make<kit::TextStorage>();
    kit::Ref<kit::LayoutManager> manager = kit::make<kit::LayoutManager>();
    kit::Ref<kit::TextContainer> container = kit::make<kit::TextContainer>(kit::Size { benchWidth, 1e7 });
    std::int64_t typingAt = 0;

    Form(int paragraphs, bool customTypesetter)
    {
        auto style = kit::ParagraphStyle::defaultParagraphStyle();
        style->setTabStops({ kit::TextTab(kit::RightTabStopType, 110), kit::TextTab(kit::LeftTabStopType, 120) });
        style->setHeadIndent(120);
        const kit::Dictionary attributes { { kit::FontAttributeName, kit::Font::systemFontOfSize(12) },
            { kit::ParagraphStyleAttributeName, style } };
        storage->beginEditing();
        for (int i = 0; i < paragraphs; ++i) {
            if (i == 100)
                typingAt = storage->length() + 20;
            storage->appendAttributedString(kit::AttributedString(QStringLiteral("\tLabel %1:\tvalue of field %1 ").arg(i), attributes));
            if (i % 4 == 0)
                storage->appendAttributedString(kit::TextAttachment::attributedStringWithAttachment(kit::make<kit::TextAttachment>(kit::make<ViewCell>())));
            storage->appendAttributedString(kit::AttributedString(QStringLiteral("\n"), attributes));
        }
        storage->endEditing();
        storage->addLayoutManager(manager);
        manager->addTextContainer(container);
        if (customTypesetter)
            manager->setTypesetter(kit::make<PassThroughTypesetter>());
    }

    void draw(QImage& image, double top)
    {
        auto context = kit::GraphicsContext::graphicsContextWithImage(&image, true);
        context->setCTM(kit::AffineTransform(kit::AffineTransformStruct { 1, 0, 0, 1, 0, -top }));
        kit::GraphicsContext::Scope scope(context);
        const kit::Range glyphs = manager->glyphRangeForBoundingRectInTextContainer(kit::MakeRect(0, top, benchWidth, benchVisibleHeight), container.get());
        manager->drawBackgroundForGlyphRangeAtPoint(glyphs, { 0, 0 });
        manager->drawGlyphsForGlyphRangeAtPoint(glyphs, { 0, 0 });
    }
};

struct QtPeer {
    QTextDocument document;
    int typingAt = 0;

    explicit QtPeer(int paragraphs)
    {
        document.setUndoRedoEnabled(false);
        document.setTextWidth(benchWidth);
        // Inline objects through Qt's own object interface for images: 120 x 20 each.
        QImage placeholder(120, 20, QImage::Format_ARGB32_Premultiplied);
        placeholder.fill(Qt::transparent);
        document.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("bench://cell")), placeholder);
        QTextCursor cursor(&document);
        QTextCharFormat format;
        QFont font = QGuiApplication::font();
        font.setPixelSize(12);
        format.setFont(font);
        QTextImageFormat objectFormat;
        objectFormat.setName(QStringLiteral("bench://cell"));
        objectFormat.setWidth(120);
        objectFormat.setHeight(20);
        for (int i = 0; i < paragraphs; ++i) {
            if (i > 0)
                cursor.insertBlock();
            if (i == 100)
                typingAt = cursor.position() + 20;
            cursor.insertText(QStringLiteral("\tLabel %1:\tvalue of field %1 ").arg(i), format);
            if (i % 4 == 0)
                cursor.insertImage(objectFormat);
        }
    }

    void draw(QImage& image, double top)
    {
        QPainter painter(&image);
        painter.translate(0, -top);
        document.drawContents(&painter, QRectF(0, top, benchWidth, benchVisibleHeight));
    }
};

// CPU time of this thread: both sides run here, and the figures hold on a busy machine.
double benchThreadSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double secondsOf(const std::function<void()>& work)
{
    const double start = benchThreadSeconds();
    work();
    return benchThreadSeconds() - start;
}

void BM_FirstLayoutAndDraw(benchmark::State& state)
{
    QImage image(int(benchWidth), int(benchVisibleHeight), QImage::Format_ARGB32_Premultiplied);
    double kit = 0, qt = 0;
    for (auto _ : state) {
        kit += secondsOf([&] {
            Form form(200, false);
            form.manager->ensureLayoutForTextContainer(form.container.get());
            form.draw(image, 0);
        });
        qt += secondsOf([&] {
            QtPeer peer(200);
            benchmark::DoNotOptimize(peer.document.documentLayout()->documentSize());
            peer.draw(image, 0);
        });
    }
    state.counters["kit_over_qt"] = kit / qt;
}
BENCHMARK(BM_FirstLayoutAndDraw)->Unit(benchmark::kMillisecond);

// Per character: the edit, relayout and a draw of the visible region around it.
void typeInto(benchmark::State& state, int paragraphs, bool customTypesetter)
{
    QImage image(int(benchWidth), int(benchVisibleHeight), QImage::Format_ARGB32_Premultiplied);
    Form form(paragraphs, customTypesetter);
    form.manager->ensureLayoutForTextContainer(form.container.get());
    form.manager->resetLineHookCallCount();
    QtPeer peer(paragraphs);
    peer.document.documentLayout()->documentSize();
    const double top = form.manager->lineFragmentRectForGlyphAtIndexEffectiveRange(form.typingAt).minY();
    double kit = 0, qt = 0;
    std::int64_t characters = 0;
    for (auto _ : state) {
        kit += secondsOf([&] {
            for (int i = 0; i < 1000; ++i) {
                form.storage->replaceCharactersInRangeWithString(kit::MakeRange(form.typingAt + i, 0), QStringLiteral("x"));
                benchmark::DoNotOptimize(form.manager->usedRectForTextContainer(form.container.get()));
                form.draw(image, top);
            }
        });
        qt += secondsOf([&] {
            QTextCursor cursor(&peer.document);
            for (int i = 0; i < 1000; ++i) {
                cursor.setPosition(peer.typingAt + i);
                cursor.insertText(QStringLiteral("x"));
                benchmark::DoNotOptimize(peer.document.documentLayout()->documentSize());
                peer.draw(image, top);
            }
        });
        // Back to the starting text for the next round.
        form.storage->deleteCharactersInRange(kit::MakeRange(form.typingAt, 1000));
        QTextCursor cursor(&peer.document);
        cursor.setPosition(peer.typingAt);
        cursor.setPosition(peer.typingAt + 1000, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        characters += 1000;
    }
    state.counters["kit_us_per_char"] = kit * 1e6 / double(characters);
    state.counters["kit_over_qt"] = kit / qt;
    state.counters["hook_calls_per_char"] = double(form.manager->lineHookCallCount()) / double(characters);
}

void BM_Typing200(benchmark::State& state) { typeInto(state, 200, false); }
void BM_Typing2000(benchmark::State& state) { typeInto(state, 2000, false); }
void BM_Typing2000PassThroughTypesetter(benchmark::State& state) { typeInto(state, 2000, true); }
BENCHMARK(BM_Typing200)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Typing2000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Typing2000PassThroughTypesetter)->Unit(benchmark::kMillisecond)->Iterations(3);

// Per character through the view: a key's text into a text view that is first responder of a key
// window (delegate questions, the edit, selection and caret, the dirty region), then the window's
// display. The peer: the same paragraphs in a QTextEdit of the same size, typed through its cursor
// and repainted. Offscreen that repaint paints nothing (the widget is never exposed), so a second
// peer also renders the edited paragraph where it shows, as the text edit's own update would:
// kit_over_qt_painted weighs drawing against drawing.
void typeThroughTheView(benchmark::State& state, int paragraphs)
{
    Form form(paragraphs, false);
    auto window = kit::make<kit::Window>(kit::MakeRect(0, 0, benchWidth + 20, benchVisibleHeight), kit::TitledWindowMask);
    auto scroll = kit::make<kit::ScrollView>(kit::MakeRect(0, 0, benchWidth + 20, benchVisibleHeight));
    scroll->setHasVerticalScroller(true);
    auto view = kit::make<kit::TextView>(kit::MakeRect(0, 0, benchWidth, benchVisibleHeight));
    scroll->setDocumentView(view.get());
    window->setContentView(scroll.get());
    view->textStorage()->setAttributedString(*form.storage);
    window->makeKeyAndOrderFront();
    window->makeFirstResponder(view.get());
    view->setSelectedRange(kit::MakeRange(form.typingAt, 0));
    view->scrollRangeToVisible(kit::MakeRange(form.typingAt, 0));
    window->display();

    QtPeer peer(paragraphs);
    QTextEdit edit;
    edit.resize(int(benchWidth) + 20, int(benchVisibleHeight));
    edit.setDocument(&peer.document);
    edit.show();
    QTextCursor cursor(&peer.document);
    cursor.setPosition(peer.typingAt);
    edit.setTextCursor(cursor);
    edit.ensureCursorVisible();
    edit.viewport()->repaint();

    QImage canvas(edit.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    const auto removeTyped = [&] {
        QTextCursor back = edit.textCursor();
        back.setPosition(peer.typingAt);
        back.setPosition(peer.typingAt + 200, QTextCursor::KeepAnchor);
        back.removeSelectedText();
        edit.setTextCursor(back);
    };

    double kit = 0, qt = 0, qtPainted = 0;
    std::int64_t characters = 0;
    for (auto _ : state) {
        kit += secondsOf([&] {
            for (int i = 0; i < 200; ++i) {
                view->insertText(QStringLiteral("x"));
                window->displayIfNeeded();
            }
        });
        qt += secondsOf([&] {
            for (int i = 0; i < 200; ++i) {
                edit.insertPlainText(QStringLiteral("x"));
                edit.viewport()->repaint();
            }
        });
        removeTyped();
        qtPainted += secondsOf([&] {
            for (int i = 0; i < 200; ++i) {
                edit.insertPlainText(QStringLiteral("x"));
                const QRectF block = peer.document.documentLayout()->blockBoundingRect(edit.textCursor().block());
                const QRect shown = block.translated(-edit.horizontalScrollBar()->value(), -edit.verticalScrollBar()->value()).toAlignedRect()
                    & edit.viewport()->rect();
                edit.viewport()->render(&canvas, shown.topLeft(), QRegion(shown));
            }
        });
        removeTyped();
        view->textStorage()->deleteCharactersInRange(kit::MakeRange(form.typingAt, 200));
        view->setSelectedRange(kit::MakeRange(form.typingAt, 0));
        characters += 200;
    }
    edit.setDocument(nullptr);
    window->orderOut();
    state.counters["kit_us_per_char"] = kit * 1e6 / double(characters);
    state.counters["qt_us_per_char"] = qt * 1e6 / double(characters);
    state.counters["kit_over_qt"] = kit / qt;
    state.counters["qt_painted_us_per_char"] = qtPainted * 1e6 / double(characters);
    state.counters["kit_over_qt_painted"] = kit / qtPainted;
}

void BM_TypingThroughTheView200(benchmark::State& state) { typeThroughTheView(state, 200); }
void BM_TypingThroughTheView2000(benchmark::State& state) { typeThroughTheView(state, 2000); }
BENCHMARK(BM_TypingThroughTheView200)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_TypingThroughTheView2000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Widgets: the view-level runs put a kit window and a QTextEdit on the screen.
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
