// Prose broken into subtitle lines: the rules, and `captiloom --split` as a user runs it.

#include "test_support.h"

#include "code_page.h"
#include "prose_splitter.h"
#include "prose_splitting.h"
#include "script_writing.h"
#include "terminal.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

class TestProseSplitting : public QObject
{
    Q_OBJECT

private slots:
    void rules_data()
    {
        QTest::addColumn<QString>("paragraph");
        QTest::addColumn<QString>("script"); // its lines joined by |; empty: only the properties
        // clang-format off
        QTest::newRow("sentences") << u"你好。再见！真的吗？"_s << u"你好|再见|真的吗"_s;
        QTest::newRow("short clauses share") << u"但是，他没有来；我们只好先走了。"_s << u"但是 他没有来 我们只好先走了"_s;
        QTest::newRow("ellipsis, dash") << u"他犹豫了很久……最后还是决定——留下来."_s << u"他犹豫了很久|最后还是决定 留下来"_s;
        QTest::newRow("signs, thousands") << u"气温降到-5度，注意保暖，全年销量超过1,000台。"_s << u"气温降到-5度 注意保暖|全年销量超过1,000台"_s;
        QTest::newRow("mark after the end") << u"“走吧。”他说。"_s << u"“走吧”|他说"_s;
        QTest::newRow("only marks") << u"。。。！ "_s << QString();
        QTest::newRow("spaces") << u"  你好 \u3000"_s << u"你好"_s;
        QTest::newRow("Latin runs") << u"请把文件发到我的e-mail，或者下载最新版本的App扫码登录，版本号是3.5，会议定在明天上午10:30开始。"_s << u"请把文件发到我的e-mail|或者下载最新版本的App扫码登录|版本号是3.5|会议定在明天上午10:30开始"_s;
        QTest::newRow("Latin only") << u"The quick brown fox jumps over the lazy dog and keeps running far away."_s << u"The quick brown|fox jumps over the|lazy dog and keeps|running far away"_s;
        QTest::newRow("a word's own marks") << u"请先计算函数f(x在零点附近的值，然后把结果填进第二行的表格里面，最后交给老师检查一遍。他说：‘I don’t know，我真的不知道这件事情的来龙去脉，也不想再去打听了。’"_s << u"请先计算函数f(x在零点附近的值|然后把结果填进第二行的表格里面|最后交给老师检查一遍|他说 ‘I don’t know’|‘我真的不知道这件事情的来龙去脉’|‘也不想再去打听了’"_s;
        QTest::newRow("one word too long") << u"访问https://example.com/a/very/long/path/name获取更多信息。"_s << u"访问|https://example.com/a/very/long/path/name|获取更多信息"_s;
        // At the length: 20 characters are one line, 21 two, quotation marks included.
        QTest::newRow("20 characters") << u"姐姐把刚买的那本小说借给了住在楼下的同学。"_s << u"姐姐把刚买的那本小说借给了住在楼下的同学"_s;
        QTest::newRow("21 characters") << u"我们今天要去参观一座有着三百多年历史的古城。"_s << u"我们今天要去参观一座|有着三百多年历史的古城"_s;
        QTest::newRow("20 with quotes") << u"“我们明天一早就出发去北京看望爷爷奶奶。”"_s << u"“我们明天一早就出发去北京看望爷爷奶奶”"_s;
        QTest::newRow("21 with quotes") << u"“我们明天一早就出发去北京看望爷爷奶奶吧。”老师说：“同学们，今天我们要学习的内容非常重要也有一点难。”"_s << u"“我们明天一早就出发去北京”|“看望爷爷奶奶吧”|老师说 “同学们”|“今天我们要学习的内容”|“非常重要也有一点难”"_s;
        // Where a cut inside a clause falls: as a native subtitle editor would make it.
        QTest::newRow("compounds whole") << u"管理员打开了计算机里那个存放着所有可执行文件的文件夹。小王和他的同事们在会议室里讨论明年的工作计划。"_s << u"管理员打开了计算机里|那个存放着所有可执行文件的文件夹|小王和他的同事们|在会议室里讨论明年的工作计划"_s;
        QTest::newRow("preposition starts") << u"志愿者们每个星期都会把各种生活用品送到独居老人的家里。他每天早上都会从家里走二十分钟的路到公司上班。"_s << u"志愿者们每个星期|都会把各种生活用品送到独居老人的家里|他每天早上|都会从家里走二十分钟的路到公司上班"_s;
        QTest::newRow("particle stays") << u"这是我这辈子吃过的最好吃的一碗热气腾腾的牛肉拉面了。我们这次旅行最难忘的经历之一就是在雪山脚下露营。"_s << u"这是我这辈子吃过的最好吃的|一碗热气腾腾的牛肉拉面了|我们这次旅行最难忘的经历之一|就是在雪山脚下露营"_s;
        QTest::newRow("determiner, numeral") << u"他终于找到了那些被人们遗忘在阁楼角落里很多年的老照片。我们需要为每一个新注册的用户准备一份详细的使用说明。"_s << u"他终于找到了|那些被人们遗忘在阁楼角落里很多年的老照片|我们需要为每一个新注册的用户准备|一份详细的使用说明"_s;
        QTest::newRow("list of nouns") << u"出门之前，请检查钥匙、钱包和手机是否都已经放进了随身携带的背包里。老师傅常说：“磨豆、注水、等待，每一步都急不得。”"_s << u"出门之前|请检查钥匙 钱包和手机|是否都已经放进了随身携带的背包里|老师傅常说 “磨豆 注水”|“等待 每一步都急不得”"_s;
        QTest::newRow("no lead-in alone") << u"例如，某一类型的病毒会把自己伪装成普通的文档来骗人。同样，那些在网上下载的文件也要先检查一遍再打开。"_s << u"例如 某一类型的病毒|会把自己伪装成普通的文档来骗人|同样 那些在网上下载的文件|也要先检查一遍再打开"_s;
        QTest::newRow("phrase over evenness") << u"我们在山顶上看到了一片从来没有见过的美丽云海。"_s << u"我们在山顶上|看到了一片从来没有见过的美丽云海"_s;
        QTest::newRow("aside kept") << u"请将 U 盘（USB 闪存驱动器）插入计算机的接口，当你插入移动存储设备（USB 闪存驱动器）时，系统会打开它。这台电脑可以直接连接到广域网（因特网）并自动下载最新的更新。他在会上介绍了一款新的相机（可以在光线很暗的地方拍出清晰的照片）的主要特点。"_s << u"请将 U 盘（USB 闪存驱动器）|插入计算机的接口|当你插入|移动存储设备（USB 闪存驱动器）时|系统会打开它|这台电脑可以直接连接到广域网（因特网）|并自动下载最新的更新|他在会上介绍了一款新的相机|（可以在光线很暗的地方拍出清晰的照片）的|主要特点"_s;
        QTest::newRow("Latin term whole") << u"很多人习惯用 Windows Media Player 播放本地的音乐文件。"_s << u"很多人习惯用|Windows Media Player|播放本地的音乐文件"_s;
        QTest::newRow("quotation cut") << u"老师说：“同学们，今天我们要学习的内容非常重要，请大家一定认真听讲，做好笔记。”"_s << u"老师说 “同学们”|“今天我们要学习的内容非常重要”|“请大家一定认真听讲 做好笔记”"_s;
        QTest::newRow("title, brackets") << u"《中华人民共和国民法典》是新中国第一部以法典命名的法律。我们（包括所有参加培训的新同事）都要在周五之前提交报告。"_s << u"《中华人民共和国民法典》|是新中国第一部以法典命名的法律|我们（包括所有参加培训的新同事）|都要在周五之前提交报告"_s;
        // Words the dictionary tags by their most frequent use, read in their sentence: a verb
        // before 是 or after 一个 a noun, a noun before 到 in a 把 phrase a verb; times, comparisons,
        // a verb's object, ranges and formulas kept whole, a head noun not left alone.
        QTest::newRow("words in their place") << u"虽然大部分软件的设置都能够通过相应的图形配置工具来完成。我们公司最常用的网络配置是让路由器自动给每台电脑分配地址。按如下所示添加一个发布标签 \"Release-2\"。请记得每周五下午把这个月所有的销售记录备份到公司的服务器上。协议可以要求衍生产品使用有别于原来产品的名称或者型号。我们由我们的读者及整个出版行业的需要所导向。我们也不会尝试向创建和使用这部分软件的用户索取任何费用。定期检查和更新操作是成功的网站维护中非常重要的一部分。"_s << u"虽然大部分软件的设置|都能够通过相应的图形配置工具来完成|我们公司最常用的网络配置|是让路由器自动给每台电脑分配地址|按如下所示添加|一个发布标签 \"Release-2\"|请记得每周五下午把这个月所有的销售记录|备份到公司的服务器上|协议可以要求衍生产品|使用有别于原来产品的名称或者型号|我们由我们的读者|及整个出版行业的需要所导向|我们也不会尝试|向创建和使用这部分软件的用户索取任何费用|定期检查和更新操作|是成功的网站维护中非常重要的一部分"_s;
        QTest::newRow("phrases kept whole") << u"这批陶器是考古队员们在二十世纪五十年代从一座唐代的大型墓葬中发掘出来的。许多依靠雪山融水灌溉农田的村庄正面临着越来越严重的缺水问题。为了这个目的像上面那样使用 ssh 会浪费资源。主板上的计数器在上电事件后会被重新设置成一个固定的初始数值。"_s << u"这批陶器是考古队员们在二十世纪五十年代|从一座唐代的大型墓葬中发掘出来的|许多依靠雪山融水灌溉农田的村庄|正面临着越来越严重的缺水问题|为了这个目的像上面那样|使用 ssh 会浪费资源|主板上的计数器在上电事件后|会被重新设置成一个固定的初始数值"_s;
        QTest::newRow("runs and heads") << u"你可以同时按下左 Alt 键和F1—F6之一的键在虚拟控制台之间来回切换。比如在单元格中输入=VLOOKUP(A2,E:F,2,0)就能查到对应员工的姓名。"_s << u"你可以同时按下左 Alt 键|和F1—F6之一的键在虚拟控制台之间|来回切换|比如在单元格中输入|=VLOOKUP(A2,E:F,2,0)|就能查到对应员工的姓名"_s;
        QTest::newRow("emoji") << u"今天天气真好😀我们去公园玩吧，顺便带上相机拍几张照片留作纪念😀😀😀😀。"_s << QString();
        QTest::newRow("200 without marks") << u"这是一段没有任何标点符号的很长很长的文字用来测试自动断行功能是否能够在合适的词语边界处把它断开"_s.repeated(4) << QString();
        QTest::newRow("real paragraph") << u"今天我们来聊一聊如何在家里制作一杯好喝的手冲咖啡，其实并没有想象中那么复杂。首先，你需要准备新鲜烘焙的咖啡豆、一台磨豆机、滤杯和滤纸，以及一个温度计。"_s << u"今天我们来聊一聊|如何在家里制作一杯好喝的手冲咖啡|其实并没有想象中那么复杂|首先 你需要准备新鲜烘焙的咖啡豆|一台磨豆机 滤杯和滤纸 以及一个温度计"_s;
        // clang-format on
    }
    void rules()
    {
        QFETCH(QString, paragraph);
        const QStringList lines = captiloom::conversion::splitParagraph(paragraph);
        const auto unicode = QRegularExpression::UseUnicodePropertiesOption;
        const QRegularExpression notKept(u"[\\s\\p{P}]"_s, unicode), kept(u"[^“”《》（）]"_s),
            breakable(u"[\\s\\p{Han}]"_s, unicode),
            pauses(u"[，。！？、；：…]|(?<!\\w)—|—(?!\\w)|^ | $|  "_s);
        for (const QString &line : lines) {
            // Twenty characters at most, but for a word: no hanzi, no space.
            QVERIFY2(line.size() <= 20 || !line.contains(breakable), qPrintable(line));
            QVERIFY2(!line.contains(pauses), qPrintable(line));
            const QString marks = QString(line).remove(kept);
            QVERIFY(marks.count(u'“') == marks.count(u'”')
                    && marks.count(u'《') == marks.count(u'》')
                    && marks.count(u'（') == marks.count(u'）'));
        }
        // Every letter, digit and symbol kept, in order.
        QCOMPARE(lines.join(QString()).remove(notKept), QString(paragraph).remove(notKept));
        QFETCH(QString, script);
        if (!script.isEmpty() || lines.isEmpty())
            QCOMPARE(lines.join(u'|'), script);
    }

    void scriptPath_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("script");
        QTest::newRow(".txt") << u"片头.txt"_s << u"片头(断行).txt"_s;
        QTest::newRow(".TXT") << u"D:/字幕/片头.TXT"_s << u"D:/字幕/片头(断行).txt"_s;
        QTest::newRow("no suffix") << u"片头"_s << u"片头(断行).txt"_s;
        QTest::newRow("another suffix") << u"片头.md"_s << u"片头.md(断行).txt"_s;
    }
    void scriptPath()
    {
        QFETCH(QString, source);
        QTEST(captiloom::conversion::ScriptPath(source), "script");
    }

    void command_data()
    {
        QTest::addColumn<QByteArray>("source"); // of 片头.txt
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said"); // what standard error's last line holds
        QTest::addColumn<QByteArray>("script"); // 片头(断行).txt afterwards; empty: none
        QTest::addColumn<QString>("chosen"); // for the window; empty: run the program
        const auto gbk = [](const QString &text) {
            QByteArray bytes;
            return captiloom::platform::CodePage().encode(text, bytes), bytes;
        };
        const QString prose =
            u"你好，世界。今天天气很好，我们一起去公园散步吧！\r\n\r\n\r\n第二段。"_s;
        const QString lines = u"你好 世界\r\n今天天气很好 我们一起去公园散步吧\r\n\r\n第二段\r\n"_s;
        const QByteArray gbkProse = gbk(prose), old = "old", bom = "\xEF\xBB\xBF";
        const QStringList split { u"--split"_s, u"片头.txt"_s },
            replace = split + QStringList { u"--overwrite"_s };
        const QString written = u"片头.txt: 已断成 3 行字幕、1 处停顿"_s;
        const QString paragraph24 = u"这是一段一共有二十四个字的文字用来测试自动断行吧"_s,
                      script24 = u"这是一段一共有二十四个字的文字\r\n用来测试自动断行吧"_s,
                      hello = u"\r\n你好"_s.repeated(16381);
        // clang-format off
        QTest::newRow("GBK") << gbkProse << split << 0 << written << gbk(lines) << QString();
        QTest::newRow("UTF-8, LF") << prose.toUtf8().replace('\r', "") << split << 0 << written << bom + lines.toUtf8().replace('\r', "") << QString();
        QTest::newRow("UTF-16") << marked(QStringConverter::Utf16BE, prose) << split << 0 << written << marked(QStringConverter::Utf16BE, lines) << QString();
        QTest::newRow("emoji") << QString(prose).replace(u"世界"_s, u"😀"_s).toUtf8() << split << 0 << u"第1行的字符“😀”只有 .srt 字幕文件能保存"_s << bom + QString(lines).replace(u"世界"_s, u"😀"_s).toUtf8() << QString();
        // A line of 23 characters converts as it is; one of 24 is a paragraph, and each
        // paragraph, even on the next line, is set apart by a pause.
        QTest::newRow("23: a script already") << gbk(u"你好\r\n这是一段一共有二十三个字的文字用来测试断行了吧"_s) << split << 0 << u"片头.txt: 每行都不超过23字"_s << QByteArray() << QString();
        QTest::newRow("24: split") << gbk(u"你好\r\n"_s + paragraph24) << split << 0 << u"片头.txt: 已断成 3 行字幕、1 处停顿"_s << gbk(u"你好\r\n\r\n"_s + script24 + u"\r\n"_s) << QString();
        QTest::newRow("UTF-16 LE") << marked(QStringConverter::Utf16LE, prose) << split << 0 << written << marked(QStringConverter::Utf16LE, lines) << QString();
        QTest::newRow("two remarks") << u"请访问https://example.com/a/very/long/path/name获取。\r\n你好，😀世界。"_s.toUtf8() << split << 1 << u"；但其中第2行是一个超过23字的词，无法断开，转换前请手工修改；另外第5行的字符“😀”只有 .srt 字幕文件能保存"_s << bom + u"请访问\r\nhttps://example.com/a/very/long/path/name\r\n获取\r\n\r\n你好 😀世界\r\n"_s.toUtf8() << QString();
        QTest::newRow("script kept") << gbkProse << split << 1 << u"片头(断行).txt 已存在"_s << old << QString();
        QTest::newRow("script replaced") << gbkProse << replace << 0 << written << gbk(lines) << QString();
        QTest::newRow("undecodable") << gbkProse + "\x81\x20" << split << 1 << u"片头.txt: 第4行含有无法识别的字节"_s << QByteArray() << QString();
        QTest::newRow("UTF-16, an odd byte") << marked(QStringConverter::Utf16LE, prose) + "A" << split << 1 << u"片头.txt: 第4行含有无法识别的字节"_s << QByteArray() << QString();
        QTest::newRow("replacement character") << QString(prose).replace(u"世界"_s, u"\uFFFD界"_s).toUtf8() << split << 0 << u"第1行的字符“\uFFFD”只有 .srt 字幕文件能保存"_s << bom + QString(lines).replace(u"世界"_s, u"\uFFFD界"_s).toUtf8() << QString();
        // A subtitle file takes 32767 lines, pauses included.
        QTest::newRow("32767 script lines") << gbk(paragraph24 + u"\r\n你好。再见。"_s + hello) << split << 0 << u"已断成 16385 行字幕、16382 处停顿"_s << gbk(script24 + u"\r\n\r\n你好\r\n再见"_s + QString(hello).replace(u"\r\n"_s, u"\r\n\r\n"_s) + u"\r\n"_s) << QString();
        QTest::newRow("32768 script lines") << gbk(paragraph24 + u"\r\n你好。再见。真的吗？"_s + hello) << split << 1 << u"片头.txt: 断行后超过 32767 行"_s << QByteArray() << QString();
        QTest::newRow("a 300 KiB line") << gbk(u"长"_s.repeated(150000)) << split << 1 << u"片头.txt: 第1行太长"_s << QByteArray() << QString();
        QTest::newRow("no display") << gbkProse << QStringList { u"--split"_s, u"--open"_s, u"片头.txt"_s } << 1 << u"captiloom: 没有可以显示窗口的图形桌面"_s << gbk(lines) << QString();
        QTest::newRow("--open alone") << gbkProse << QStringList { u"--open"_s, u"片头.txt"_s } << 2 << QString() << QByteArray() << QString();
        // With --open, as the window's start runs it: the script chosen, or the source itself,
        // and the window's message naming the file (in the suite's language).
        QTest::newRow("open") << gbkProse << split << 0 << QString() << gbk(lines) << u"片头(断行).txt"_s;
        QTest::newRow("open a script") << gbk(u"你好"_s) << split << 0 << u"片头.txt"_s << QByteArray() << u"片头.txt"_s;
        QTest::newRow("script kept, open") << gbkProse << split << 1 << u"片头(断行).txt"_s << old << u"片头(断行).txt"_s;
        QTest::newRow("a folder, open") << QByteArray("<missing>") << split << 1 << captiloom::console::localized(u"这不是普通文件", u"this is not a regular file") << QByteArray() << u"片头.txt"_s;
        QTest::newRow("read-only folder, open") << gbkProse << split << 1 << u"片头(断行).txt"_s << QByteArray() << u"片头.txt"_s;
        // clang-format on
    }
    void command()
    {
        QFETCH(QByteArray, source);
        QFETCH(QByteArray, script);
        TemporaryFolder folder;
        const QByteArrayView tag = QTest::currentDataTag();
        QVERIFY(tag.startsWith("a folder") ? QDir().mkdir(u"片头.txt"_s)
                                           : writeFile(u"片头.txt"_s, source));
        if (tag.startsWith("script "))
            QVERIFY(writeFile(u"片头(断行).txt"_s, "old"));
        QFETCH(QString, said);
        QFETCH(QString, chosen);
        if (!chosen.isEmpty()) {
            const auto writable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
            QFile::setPermissions(folder.path(),
                                  tag.startsWith("read-only") ? QFile::ReadOwner | QFile::ExeOwner
                                                              : writable);
            const bool refused = !QFileInfo(folder.path()).isWritable();
            const auto done = captiloom::console::splitForWindow(u"片头.txt"_s, false);
            QFile::setPermissions(folder.path(), writable);
            if (tag.startsWith("read-only") && !refused)
                QSKIP("root may write it all the same");
            QCOMPARE(QFileInfo(done.chosen).fileName(), chosen);
            QTEST(done.status, "status");
            QVERIFY2(done.message.contains(said), qPrintable(done.message));
            QCOMPARE(readFile(u"片头(断行).txt"_s), script.isEmpty() ? "<missing>" : script);
            QCOMPARE(readFile(u"片头.txt"_s), source);
            return;
        }
        const QString program = QDir(QCoreApplication::applicationDirPath())
                                    .filePath(QStringLiteral(CAPTILOOM_PROGRAM_FROM_SUITE));
        if (!QFileInfo::exists(program))
            QSKIP("no program beside this copy of the suite");
#ifdef Q_OS_WIN
        if (tag == "no display")
            QSKIP("Windows always has a desktop");
#endif
        QFETCH(QStringList, arguments);
        for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
            qunsetenv(name);
        qputenv("LANGUAGE", "zh_CN");
        QProcess process;
        process.start(program, arguments);
        QVERIFY(process.waitForFinished(60000));
        QTEST(process.exitCode(), "status");
        // A pipe on Windows takes the ANSI code page, which has no emoji.
        const QStringList lines =
            QString::fromLocal8Bit(process.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
        said = QString::fromLocal8Bit(said.toLocal8Bit());
        QVERIFY2(lines.value(lines.size() - 1).contains(said), qPrintable(lines.join(u'\n')));
        QCOMPARE(readFile(u"片头(断行).txt"_s), script.isEmpty() ? "<missing>" : script);
        QCOMPARE(readFile(u"片头.txt"_s), source);
    }
};

QTEST_GUILESS_MAIN(TestProseSplitting)
#include "test_prose_splitting.moc"
