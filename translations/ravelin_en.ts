<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>CRavelinApp</name>
    <message>
        <source>FIRディジタルフィルタの動作をアニメーションで見せます。</source>
        <translation>Shows by animation how a FIR digital filter works.</translation>
    </message>
    <message>
        <source>表示の言語: ja（日本語）または en（英語）</source>
        <translation>Language of the program&apos;s words: ja (Japanese) or en (English)</translation>
    </message>
    <message>
        <source>ドキュメントとして開くファイル</source>
        <translation>A file to open as the document</translation>
    </message>
    <message>
        <source>開けるファイルは１つだけです。</source>
        <translation>Only one file can be opened.</translation>
    </message>
</context>
<context>
    <name>ravelin::CMainFrame</name>
    <message>
        <source>言語(&amp;L)</source>
        <translation>&amp;Language</translation>
    </message>
    <message>
        <source>日本語</source>
        <translation>Japanese</translation>
    </message>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>次回の起動から表示が英語になります。</source>
        <translation>Ravelin will be in English from its next start.</translation>
    </message>
    <message>
        <source>次回の起動から表示が日本語になります。</source>
        <translation>Ravelin will be in Japanese from its next start.</translation>
    </message>
</context>
</TS>
