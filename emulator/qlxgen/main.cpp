// kavel-qlx-gen: writes a firmware image file for the emulated bootloader.
//
//   kavel-qlx-gen [--size BYTES] [--seed N] OUTPUT CODE:CRC[:TEXT]...
//
// One section per CODE:CRC[:TEXT] argument, in order: CODE the bootloader
// code (two hex digits, the fourth bootloader version byte), CRC the four hex
// digits the panel shows after the download, TEXT its new EEPROM text.

#include <firmwareimage.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSaveFile>
#include <QTextStream>

#include <vector>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Writes a firmware image (.qlx) for the emulated bootloader."));
    parser.addHelpOption();
    const QCommandLineOption sizeOption(QStringLiteral("size"), QStringLiteral("Program bytes per section."),
                                        QStringLiteral("bytes"), QStringLiteral("4096"));
    const QCommandLineOption seedOption(QStringLiteral("seed"), QStringLiteral("Seed of the program bytes."),
                                        QStringLiteral("n"), QStringLiteral("1"));
    parser.addOption(sizeOption);
    parser.addOption(seedOption);
    parser.addPositionalArgument(QStringLiteral("output"), QStringLiteral("The image file to write."));
    parser.addPositionalArgument(QStringLiteral("sections"), QStringLiteral("CODE:CRC[:TEXT], one per section."),
                                 QStringLiteral("CODE:CRC[:TEXT]..."));
    parser.process(app);

    QTextStream err(stderr);
    const QStringList args = parser.positionalArguments();
    bool sizeOk = false;
    bool seedOk = false;
    const uint size = parser.value(sizeOption).toUInt(&sizeOk);
    const uint seed = parser.value(seedOption).toUInt(&seedOk);
    if (args.size() < 2 || !sizeOk || !seedOk || size > 60000) {
        err << "usage: kavel-qlx-gen [--size BYTES (up to 60000)] [--seed N] OUTPUT CODE:CRC[:TEXT]...\n";
        return 2;
    }

    std::vector<emulator::FirmwareSection> sections;
    for (int i = 1; i < args.size(); ++i) {
        const QStringList parts = args.at(i).split(QLatin1Char(':'));
        bool codeOk = false;
        bool crcOk = false;
        const uint code = parts.value(0).toUInt(&codeOk, 16);
        const uint crc = parts.value(1).toUInt(&crcOk, 16);
        const QByteArray text = parts.mid(2).join(QLatin1Char(':')).toLatin1();
        if (parts.size() < 2 || !codeOk || code > 0xFF || !crcOk || crc > 0xFFFF
            || text.size() > static_cast<int>(emulator::record::MaxText)) {
            err << "bad section '" << args.at(i) << "': want CODE:CRC[:TEXT], e.g. 48:5A3C:V1.1A\n";
            return 2;
        }
        sections.push_back(emulator::FirmwareSection::generate(static_cast<std::uint8_t>(code),
                                                               static_cast<std::uint16_t>(crc), text, size,
                                                               seed + static_cast<uint>(i)));
    }

    QSaveFile out(args.at(0));
    if (!out.open(QIODevice::WriteOnly) || out.write(emulator::qlxText(sections)) < 0 || !out.commit()) {
        err << args.at(0) << ": " << out.errorString() << "\n";
        return 1;
    }
    return 0;
}
