// What the form inspector costs: rebuilding a form of 20 and 200 top-level fields (about 70 % text
// and integer fields, the rest check box, rating, URL and separator fields) with its layout, and
// typing one character into a value in the middle of the form (alternating with a delete) with the
// relayout it causes. The Qt peer builds the same paragraphs in a QTextDocument with QTextCursor
// (bold label, the two tab stops, the value format) and types into it; the ratios are counters.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspector.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorCheckboxField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorIntegerField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorLayoutManager.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorRatingField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorTextField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorTypesetter.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorURLField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewField.h"

#include "kit/appkit/ScrollView.h"
#include "kit/text/LayoutManager.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextStorage.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

using namespace kit;
using Label = JVLTextViewInspectorFieldLabel;

struct InspectorForm {
    Ref<ScrollView> scroll = make<ScrollView>(MakeRect(0, 0, 400, 600));
    Ref<JVLTextViewInspector> inspector = make<JVLTextViewInspector>(MakeRect(0, 0, 400, 600));
    std::vector<Ref<JVLTextViewInspectorField>> fields;
    Ref<JVLTextViewInspectorTextField> middle;

    explicit InspectorForm(int count)
    {
        scroll->setDocumentView(inspector.get());
        inspector->awakeFromNib();
        for (int i = 0; i < count; ++i) {
            const QString id = QStringLiteral("field%1").arg(i);
            const Ref<Label> label = Label::fieldLabelWithString(QStringLiteral("Label %1").arg(i));
            Ref<JVLTextViewInspectorField> field;
            switch (i % 10) {
            case 7: {
                auto box = JVLTextViewInspectorCheckboxField::fieldWithIdentifierAndLabel(id, label);
                box->setValue(Value(true));
                field = box;
                break;
            }
            case 8: {
                auto rating = JVLTextViewInspectorRatingField::fieldWithIdentifierAndLabel(id, label);
                rating->setValue(Value(std::int64_t(3)));
                field = rating;
                break;
            }
            case 9:
                field = i % 20 == 9 ? Ref<JVLTextViewInspectorField>(JVLTextViewInspectorViewField::separatorField())
                                    : Ref<JVLTextViewInspectorField>(JVLTextViewInspectorURLField::fieldWithTextFieldIdentifierPlaceholderAndLabel(id, "Address", label));
                break;
            case 3: {
                auto number = JVLTextViewInspectorIntegerField::fieldWithIdentifierPlaceholderAndLabel(id, "Number", label);
                number->setValue(Value(std::int64_t(i * 7)));
                field = number;
                break;
            }
            default: {
                auto text = JVLTextViewInspectorTextField::fieldWithIdentifierPlaceholderAndLabel(id, "Value", label);
                text->setValue(Value(QStringLiteral("value of field %1").arg(i)));
                field = text;
                if (!middle && i >= count / 2)
                    middle = text;
                break;
            }
            }
            fields.push_back(field);
        }
        inspector->setEditableState(true);
        inspector->beginFieldEditing();
        inspector->addFieldsArray(fields);
        inspector->endFieldEditing();
    }
    ~InspectorForm() { inspector->removeAllFields(); }
    void layOut() { inspector->layoutManager()->ensureLayoutForTextContainer(inspector->textContainer().get()); }
};

struct QtForm {
    QTextDocument document;
    int typingAt = 0;

    explicit QtForm(int count)
    {
        document.setTextWidth(400);
        QTextCursor cursor(&document);
        QTextBlockFormat block;
        block.setTabPositions({ QTextOption::Tab(80, QTextOption::RightTab), QTextOption::Tab(90, QTextOption::LeftTab) });
        block.setBottomMargin(7);
        block.setIndent(0);
        QTextCharFormat labelFormat;
        labelFormat.setFontWeight(QFont::Bold);
        labelFormat.setFontPointSize(11);
        QTextCharFormat valueFormat;
        valueFormat.setFontPointSize(11);
        for (int i = 0; i < count; ++i) {
            cursor.insertBlock(block);
            cursor.insertText(QStringLiteral("\t"), valueFormat);
            cursor.insertText(QStringLiteral("Label %1").arg(i), labelFormat);
            cursor.insertText(QStringLiteral("\t"), valueFormat);
            if (i == count / 2)
                typingAt = cursor.position() + 3;
            cursor.insertText(QStringLiteral("value of field %1").arg(i), valueFormat);
        }
    }
};

void BM_InspectorRebuild(benchmark::State& state)
{
    InspectorForm form(int(state.range(0)));
    for (auto _ : state) {
        form.inspector->recreateFieldTextStorage();
        form.layOut();
    }
    double qt = 0;
    {
        const auto start = std::chrono::steady_clock::now();
        QtForm peer(int(state.range(0)));
        benchmark::DoNotOptimize(peer.document.documentLayout()->documentSize());
        qt = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    state.counters["qt_seconds"] = qt;
}

void BM_InspectorTypeCharacter(benchmark::State& state)
{
    InspectorForm form(int(state.range(0)));
    form.layOut();
    form.inspector->jumpToField(form.middle.get());
    const Range run = form.inspector->selectedRange();
    form.inspector->setSelectedRange({ MaxRange(run), 0 });
    bool insert = true;
    for (auto _ : state) {
        if (insert)
            form.inspector->insertText(QStringLiteral("x"));
        else
            form.inspector->deleteBackward(nullptr);
        insert = !insert;
        form.layOut();
    }
    QtForm peer(int(state.range(0)));
    peer.document.documentLayout()->documentSize();
    QTextCursor cursor(&peer.document);
    cursor.setPosition(peer.typingAt);
    const auto start = std::chrono::steady_clock::now();
    constexpr int typed = 200;
    for (int i = 0; i < typed; ++i) {
        if (i % 2 == 0)
            cursor.insertText(QStringLiteral("x"));
        else
            cursor.deletePreviousChar();
        benchmark::DoNotOptimize(peer.document.documentLayout()->documentSize());
    }
    state.counters["qt_seconds_per_character"] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / typed;
}

} // namespace

BENCHMARK(BM_InspectorRebuild)->Arg(20)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InspectorTypeCharacter)->Arg(20)->Arg(200)->Unit(benchmark::kMicrosecond);
