// What the form inspector costs: rebuilding a form of 20 and 200 top-level fields (about 60 % text
// and integer fields, the rest check box, rating, URL, country and language pop-up, label-menu and
// separator fields) with its layout, and typing one character into a value in the middle of the
// form (alternating with a delete) with the relayout it causes. The Qt peer builds the same
// paragraphs in a QTextDocument with QTextCursor (bold label, the two tab stops, the value format;
// a pop-up as an inline object of its combo box's size, the combo boxes filled beforehand as the
// inspector's fields are) and types into it. Both are timed in thread CPU time, the peer as the
// median of several builds; the ratio is a counter.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspector.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorCheckboxField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorIntegerField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorLayoutManager.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorLocaleFields.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorRatingField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorTextField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorTypesetter.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorURLField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewField.h"

#include "FoundationExtensions/JVLLocales.h"

#include "kit/appkit/ScrollView.h"
#include "kit/text/LayoutManager.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextStorage.h"

#include <QAbstractTextDocumentLayout>
#include <QComboBox>
#include <QTextImageFormat>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <memory>

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
            case 1:
                if (i % 20 == 1)
                    field = JVLTextViewInspectorCountryField::fieldWithIdentifierAndLabel(id, label);
                else
                    field = JVLTextViewInspectorLanguageField::fieldWithIdentifierAndLabel(id, label);
                field->setValue(Value(i % 20 == 1 ? QStringLiteral("DE") : QStringLiteral("de")));
                break;
            case 5: {
                // A label menu: the label is a pop-up of two labels.
                auto text = JVLTextViewInspectorTextField::fieldWithIdentifierPlaceholderAndLabel(id, "Value", label);
                text->setLabelArray({ label, Label::fieldLabelWithString(QStringLiteral("Other %1").arg(i)) });
                text->setValue(Value(QStringLiteral("value of field %1").arg(i)));
                field = text;
                break;
            }
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

double threadSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The peer's pop-ups, made before the form as the inspector's fields are: one combo box per
// country, language and label-menu line, filled with the same titles.
struct QtPopUps {
    std::vector<std::unique_ptr<QComboBox>> boxes;

    explicit QtPopUps(int count)
    {
        QStringList countries;
        for (const Value& v : JVLCountryLocale::supportedCountryLocalesSortedByDisplayName())
            countries << v.objectAs<JVLLocaleEntry>()->displayName();
        QStringList languages;
        for (const Value& v : JVLLanguageLocale::supportedLanguageLocalesSortedByDisplayName())
            languages << v.objectAs<JVLLocaleEntry>()->displayName();
        for (int i = 0; i < count; ++i) {
            if (i % 10 == 1) {
                auto& box = boxes.emplace_back(std::make_unique<QComboBox>());
                box->addItems(i % 20 == 1 ? countries : languages);
            } else if (i % 10 == 5) {
                auto& box = boxes.emplace_back(std::make_unique<QComboBox>());
                box->addItems({ QStringLiteral("Label %1").arg(i), QStringLiteral("Other %1").arg(i) });
            }
        }
    }
};

struct QtForm {
    QTextDocument document;
    int typingAt = 0;

    QtForm(int count, const QtPopUps& popUps)
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
        std::size_t nextBox = 0;
        const auto insertPopUp = [&] {
            const QSize size = popUps.boxes[nextBox++]->sizeHint();
            QTextImageFormat object;
            object.setWidth(size.width());
            object.setHeight(size.height());
            cursor.insertImage(object);
        };
        for (int i = 0; i < count; ++i) {
            cursor.insertBlock(block);
            cursor.insertText(QStringLiteral("\t"), valueFormat);
            if (i % 10 == 5)
                insertPopUp();
            else
                cursor.insertText(QStringLiteral("Label %1").arg(i), labelFormat);
            cursor.insertText(QStringLiteral("\t"), valueFormat);
            if (i == count / 2)
                typingAt = cursor.position() + 3;
            if (i % 10 == 1)
                insertPopUp();
            else
                cursor.insertText(QStringLiteral("value of field %1").arg(i), valueFormat);
        }
    }
};

void BM_InspectorRebuild(benchmark::State& state)
{
    const int count = int(state.range(0));
    InspectorForm form(count);
    double kit = 0;
    for (auto _ : state) {
        const double start = threadSeconds();
        form.inspector->recreateFieldTextStorage();
        form.layOut();
        kit += threadSeconds() - start;
    }
    const QtPopUps popUps(count);
    std::vector<double> peer;
    for (int run = 0; run < 9; ++run) {
        const double start = threadSeconds();
        QtForm qt(count, popUps);
        benchmark::DoNotOptimize(qt.document.documentLayout()->documentSize());
        peer.push_back(threadSeconds() - start);
    }
    std::nth_element(peer.begin(), peer.begin() + 4, peer.end());
    kit /= double(state.iterations());
    state.counters["kit_cpu_ms"] = kit * 1e3;
    state.counters["qt_cpu_ms"] = peer[4] * 1e3;
    state.counters["ratio"] = kit / peer[4];
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
    const QtPopUps popUps(int(state.range(0)));
    QtForm peer(int(state.range(0)), popUps);
    peer.document.documentLayout()->documentSize();
    QTextCursor cursor(&peer.document);
    cursor.setPosition(peer.typingAt);
    const double start = threadSeconds();
    constexpr int typed = 200;
    for (int i = 0; i < typed; ++i) {
        if (i % 2 == 0)
            cursor.insertText(QStringLiteral("x"));
        else
            cursor.deletePreviousChar();
        benchmark::DoNotOptimize(peer.document.documentLayout()->documentSize());
    }
    state.counters["qt_seconds_per_character"] = (threadSeconds() - start) / typed;
}

} // namespace

BENCHMARK(BM_InspectorRebuild)->Arg(20)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InspectorTypeCharacter)->Arg(20)->Arg(200)->Unit(benchmark::kMicrosecond);
