// Every corpus input of every fuzz target runs through the same entry in the ordinary sanitizer build,
// so a change that breaks a reader fails the suite, not only a fuzzing session.

#include "fuzz/FuzzEntries.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

QString corpusRoot() { return qEnvironmentVariable("JVL_FUZZ_CORPUS"); }

class CorpusReplay : public testing::TestWithParam<jvl::fuzz::Target> { };

TEST_P(CorpusReplay, EveryInputKeepsTheReadersPromises)
{
    ASSERT_FALSE(corpusRoot().isEmpty()) << "JVL_FUZZ_CORPUS names the corpus folder";
    const QDir dir(corpusRoot() + u'/' + GetParam().name);
    const QStringList inputs = dir.entryList(QDir::Files, QDir::Name);
    ASSERT_FALSE(inputs.isEmpty()) << "no seed inputs in " << dir.path().toStdString();
    for (const QString& name : inputs) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        const QByteArray bytes = file.readAll();
        SCOPED_TRACE(name.toStdString());
        GetParam().entry(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()));
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, CorpusReplay, testing::ValuesIn(jvl::fuzz::targets()),
    [](const testing::TestParamInfo<jvl::fuzz::Target>& info) { return info.param.name.toStdString(); });

} // namespace
