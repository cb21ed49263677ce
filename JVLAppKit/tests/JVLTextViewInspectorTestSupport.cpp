#include "JVLAppKit/tests/JVLTextViewInspectorTestSupport.h"

#include "kit/foundation/Bundle.h"
#include "kit/text/LayoutManager.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextStorage.h"

#include <QDir>
#include <QFile>

using namespace kit;

KIT_REGISTER_CLASS(InspectorModel, kit::Object) { c.storesUndefinedKeys(); }

KIT_REGISTER_CLASS(InspectorRecordingDelegate, kit::Object)
{
    c.optionalOperations({ JVLDelegateShouldChangeEditStateOperation, JVLTextViewInspectorDidChangedValueOfFieldOperation });
}

void InspectorRecordingDelegate::delegateShouldChangeEditStateForTextViewInspector(JVLTextViewInspector* inspector)
{
    if (log)
        log->append(QStringLiteral("shouldChangeEditState"));
    if (switchesToEditMode)
        inspector->setEditableState(true);
}

void InspectorRecordingDelegate::textViewInspectorDidChangedValueOfField(JVLTextViewInspector*, JVLTextViewInspectorField* field)
{
    ++changes;
    if (log)
        log->append(QStringLiteral("delegate %1").arg(field->identifier()));
}

InspectorFixture::InspectorFixture()
{
    QDir(bundleDir.path()).mkpath(QStringLiteral("strings"));
    QFile table(bundleDir.filePath(QStringLiteral("strings/JVLTextViewInspector.json")));
    table.open(QIODevice::WriteOnly);
    table.write(R"({"JVLTextViewInspectorNoSelection": "No selection", "JVLTextViewInspectorMultipleValues": "Multiple values"})");
    table.close();
    Bundle::setMainBundlePathForTesting(bundleDir.path());

    window = make<Window>(MakeRect(100, 100, 400, 300), TitledWindowMask);
    content = make<View>(MakeRect(0, 0, 400, 300));
    window->setContentView(content.get());
    window->makeKeyAndOrderFront();
    script.emplace(window.get());
    inspector = make<JVLTextViewInspector>(MakeRect(0, 0, 400, 300));
    content->addSubview(inspector.get());
    // As an interface file would: the inspector's layout manager and typesetter, its own delegate.
    inspector->awakeFromNib();
}

InspectorFixture::~InspectorFixture()
{
    script.reset();
    inspector->removeAllFields();
    window->orderOut();
    window->setContentView(nullptr);
    Bundle::setMainBundlePathForTesting(QString());
}

Point InspectorFixture::characterPoint(std::int64_t index) const
{
    const Ref<LayoutManager> manager = inspector->layoutManager();
    const Rect box = manager->boundingRectForGlyphRangeInTextContainer({ index, 1 }, inspector->textContainer().get());
    const Point origin = inspector->textContainerOrigin();
    return inspector->convertPointToView(MakePoint(box.midX() + origin.x, box.midY() + origin.y), nullptr);
}

QString InspectorFixture::runDump() const
{
    QStringList lines;
    const Ref<TextStorage> storage = inspector->textStorage();
    for (const auto& run : storage->runs()) {
        QStringList names;
        for (const auto& entry : run.attributes)
            names << entry.first.stringValue();
        names.sort();
        QString text = storage->string().mid(run.start, run.length);
        text.replace(u'\n', QStringLiteral("\\n")).replace(u'\t', QStringLiteral("\\t")).replace(QChar(0xFFFC), QStringLiteral("<obj>"));
        lines << QStringLiteral("%1 {%2}").arg(text, names.join(u','));
    }
    return lines.join(u'\n');
}
