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
    <name>CommandStrings</name>
    <message>
        <source>１ステップずつこま送りで動作を見せます</source>
        <translation>Shows the filter at work one step at a time</translation>
    </message>
    <message>
        <source>アニメーションで動作を見せます</source>
        <translation>Shows the filter at work as an animation</translation>
    </message>
    <message>
        <source>WAVファイルを入力として，WAVファイルにフィルタ出力を書き出します
WAVファイルを入力として，WAVファイルにフィルタ出力を書き出します</source>
        <translation>Filters a WAV file into another WAV file
Filter a WAV file into another WAV file</translation>
    </message>
    <message>
        <source>１ステップずつこま送りで動作を見せます
１ステップずつこま送りで動作を見せます</source>
        <translation>Shows the filter at work one step at a time
Step</translation>
    </message>
    <message>
        <source>アニメーションで動作を見せます
アニメーションで動作を見せます</source>
        <translation>Shows the filter at work as an animation
Animate</translation>
    </message>
    <message>
        <source>速送りします
速送りします</source>
        <translation>Runs to the end at once
Fast forward</translation>
    </message>
    <message>
        <source>はじめに巻き戻します
はじめに巻き戻します</source>
        <translation>Goes back to the start
Rewind</translation>
    </message>
    <message>
        <source>動作の設定
動作の設定</source>
        <translation>Chooses the filter and the input
Filter and input settings</translation>
    </message>
    <message>
        <source>アニメーションの結果をテキストファイルに保存
アニメーションの結果をテキストファイルに保存</source>
        <translation>Saves the animation&apos;s results to a text file
Save the results to a text file</translation>
    </message>
    <message>
        <source>新規にﾌｧｲﾙを作成します
新規作成</source>
        <translation>Creates a new document
New</translation>
    </message>
    <message>
        <source>既存のﾌｧｲﾙを開きます
開く</source>
        <translation>Opens an existing document
Open</translation>
    </message>
    <message>
        <source>作業中のﾌｧｲﾙを印刷します
印刷</source>
        <translation>Prints the diagram
Print</translation>
    </message>
    <message>
        <source>ﾌﾙ ﾍﾟｰｼﾞで表示します
印刷ﾌﾟﾚﾋﾞｭｰ</source>
        <translation>Shows the printed page
Print Preview</translation>
    </message>
    <message>
        <source>ﾌﾟﾘﾝﾀおよびﾌﾟﾘﾝﾀ接続ｵﾌﾟｼｮﾝを変更します
印刷設定</source>
        <translation>Changes the printer and its options
Print Setup</translation>
    </message>
    <message>
        <source>ｱﾌﾟﾘｹｰｼｮﾝを終了します
終了</source>
        <translation>Quits the program
Exit</translation>
    </message>
    <message>
        <source>ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝ、著作権を表示します
Ravelinについて</source>
        <translation>Shows the program&apos;s information, version and copyright
About Ravelin</translation>
    </message>
    <message>
        <source>ﾂｰﾙ ﾊﾞｰの表示/非表示を切り替えます
ﾂｰﾙ ﾊﾞｰの表示/非表示</source>
        <translation>Shows or hides the toolbar
Show or hide the toolbar</translation>
    </message>
    <message>
        <source>ｽﾃｰﾀｽ ﾊﾞｰの表示/非表示を切り替えます
ｽﾃｰﾀｽ ﾊﾞｰの表示/非表示</source>
        <translation>Shows or hides the status bar
Show or hide the status bar</translation>
    </message>
    <message>
        <source>このﾌｧｲﾙを開きます</source>
        <translation>Opens this document</translation>
    </message>
    <message>
        <source>ﾚﾃﾞｨ</source>
        <translation>Ready</translation>
    </message>
    <message>
        <source>無題</source>
        <translation>Untitled</translation>
    </message>
    <message>
        <source>ｶﾅ</source>
        <translation>KANA</translation>
    </message>
</context>
<context>
    <name>QtUserPrompts</name>
    <message>
        <source>ファイルの場所:</source>
        <translation>Look in:</translation>
    </message>
    <message>
        <source>ファイル名(&amp;N):</source>
        <translation>File &amp;name:</translation>
    </message>
    <message>
        <source>ファイルの種類:</source>
        <translation>Files of type:</translation>
    </message>
    <message>
        <source>保存(&amp;S)</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>開く(&amp;O)</source>
        <translation>&amp;Open</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>%1 は既に存在します。
上書きしますか?</source>
        <translation>%1 already exists.
Do you want to replace it?</translation>
    </message>
    <message>
        <source>はい(&amp;Y)</source>
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>いいえ(&amp;N)</source>
        <translation>&amp;No</translation>
    </message>
    <message>
        <source>エラー</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>ファイルをフィルタリングしています...</source>
        <translation>Filtering the file...</translation>
    </message>
    <message>
        <source>ファイル-ファイル実行</source>
        <translation>File to File</translation>
    </message>
</context>
<context>
    <name>ravelin::CAboutDlg</name>
    <message>
        <source>FIR ディジタルフィルタのアニメーションとフィルタリング<byte value="xd"/>
<byte value="xd"/>
【１】目的<byte value="xd"/>
（１）FIR ディジタルフィルタのアニメーション<byte value="xd"/>
（２）WAVファイルのデータのフィルタリング<byte value="xd"/>
<byte value="xd"/>
【２】使用方法<byte value="xd"/>
（１）FIR ディジタルフィルタのアニメーション<byte value="xd"/>
設定ダイアログにてディジタルフィルタの係数を選びます．<byte value="xd"/>
入力信号設定中から入力信号を選んでください．<byte value="xd"/>
実行メニューから「こま送り」を選ぶと１ステップ進みます．<byte value="xd"/>
実行メニューから「アニメーション」を選ぶと２０ステップ進みます．<byte value="xd"/>
アニメーションが終了すると入出力信号の値をファイルに保存することが出来ます．<byte value="xd"/>
ツールバー上には「こま送り」「アニメーション」「速送り」「巻き戻し」のボタンがあります<byte value="xd"/>
<byte value="xd"/>
（２）WAVファイルのデータのフィルタリング<byte value="xd"/>
設定ダイアログにてディジタルフィルタの係数を選びます．<byte value="xd"/>
入力信号設定中から「ファイルデータ」を選んでください．<byte value="xd"/>
実行メニューから「ファイル-ファイル実行」を選ぶと入力WAVファイル選択→出力力WAVファイルの順に動作します<byte value="xd"/>
両方のファイルを適当なplayerで聞き比べてください<byte value="xd"/>
（エコーフィルタがわかりやすいです．）<byte value="xd"/>
</source>
        <translation>Animating and filtering with a FIR digital filter<byte value="xd"/>
<byte value="xd"/>
[1] Purpose<byte value="xd"/>
(1) An animation of a FIR digital filter<byte value="xd"/>
(2) Filtering the data of a WAV file<byte value="xd"/>
<byte value="xd"/>
[2] How to use it<byte value="xd"/>
(1) An animation of a FIR digital filter<byte value="xd"/>
Choose the filter&apos;s coefficients in the settings dialog.<byte value="xd"/>
Choose the input signal under &quot;Input signal&quot;.<byte value="xd"/>
Choose &quot;Step&quot; in the Run menu to go one step forward.<byte value="xd"/>
Choose &quot;Animate&quot; in the Run menu to go 20 steps forward.<byte value="xd"/>
When the animation has finished, the input and output values can be saved to a file.<byte value="xd"/>
The toolbar has buttons for &quot;Step&quot;, &quot;Animate&quot;, &quot;Fast forward&quot; and &quot;Rewind&quot;.<byte value="xd"/>
<byte value="xd"/>
(2) Filtering the data of a WAV file<byte value="xd"/>
Choose the filter&apos;s coefficients in the settings dialog.<byte value="xd"/>
Choose &quot;File data&quot; under &quot;Input signal&quot;.<byte value="xd"/>
Choose &quot;File to File&quot; in the Run menu: you choose the input WAV file, then the output WAV file.<byte value="xd"/>
Listen to both files in any player to compare them.<byte value="xd"/>
(The echo filters are the easiest to hear.)<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>ﾊﾞｰｼﾞｮﾝ情報(Ravelin)</source>
        <translation>About Ravelin</translation>
    </message>
    <message>
        <source>説明</source>
        <translation>Description</translation>
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
    <message>
        <source>ファイルへ保存(&amp;S)...</source>
        <translation>&amp;Save to File...</translation>
    </message>
    <message>
        <source>印刷(&amp;P)...</source>
        <translation>&amp;Print...</translation>
    </message>
    <message>
        <source>印刷ﾌﾟﾚﾋﾞｭｰ(&amp;V)</source>
        <translation>Print Pre&amp;view</translation>
    </message>
    <message>
        <source>ﾌﾟﾘﾝﾀの設定(&amp;R)...</source>
        <translation>P&amp;rint Setup...</translation>
    </message>
    <message>
        <source>ｱﾌﾟﾘｹｰｼｮﾝの終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>動作の設定</source>
        <translation>Filter and Input</translation>
    </message>
    <message>
        <source>こま送り</source>
        <translation>Step</translation>
    </message>
    <message>
        <source>アニメーション</source>
        <translation>Animate</translation>
    </message>
    <message>
        <source>ファイル-ファイル実行 *</source>
        <translation>File to File *</translation>
    </message>
    <message>
        <source>ﾂｰﾙ ﾊﾞｰ(&amp;T)</source>
        <translation>&amp;Toolbar</translation>
    </message>
    <message>
        <source>ｽﾃｰﾀｽ ﾊﾞｰ(&amp;S)</source>
        <translation>&amp;Status Bar</translation>
    </message>
    <message>
        <source>Ravelinについて (&amp;A)...</source>
        <translation>&amp;About Ravelin...</translation>
    </message>
    <message>
        <source>新規作成</source>
        <translation>New</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>ファイルへ保存</source>
        <translation>Save to File</translation>
    </message>
    <message>
        <source>ﾌｨﾙﾀ特性(&amp;F)</source>
        <translation>&amp;Filter Response</translation>
    </message>
    <message>
        <source>ﾌｨﾙﾀ特性と波形の表示/非表示を切り替えます</source>
        <translation>Shows or hides the filter&apos;s response and the waveforms</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>設定</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>実行</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>ﾍﾙﾌﾟ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>ﾂｰﾙ ﾊﾞｰ</source>
        <translation>Toolbar</translation>
    </message>
    <message>
        <source>%1 のサンプルを読めませんでした。</source>
        <translation>Could not read the samples of %1.</translation>
    </message>
    <message>
        <source>最新のﾌｧｲﾙ</source>
        <translation>Recent File</translation>
    </message>
    <message>
        <source>フィルタ: </source>
        <translation>Filter: </translation>
    </message>
    <message>
        <source>
（Σ|h| = %1: 最大 %2 dB クリップするおそれがあります）</source>
        <translation>
(Σ|h| = %1: the output may clip by up to %2 dB)</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ %1 が見つかりません。</source>
        <translation>Cannot find the file %1.</translation>
    </message>
    <message>
        <source>%1 はﾌｫﾙﾀﾞです。ﾌｧｲﾙを指定してください。</source>
        <translation>%1 is a folder. Please give a file.</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ %1 を開けません。読み取りが許可されていません。</source>
        <translation>Cannot open the file %1: reading it is not permitted.</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ %1 を開けません。</source>
        <translation>Cannot open the file %1.</translation>
    </message>
    <message>
        <source>すべてのﾌｧｲﾙ (*)</source>
        <translation>All Files (*)</translation>
    </message>
</context>
<context>
    <name>ravelin::CRavelinView</name>
    <message>
        <source>FIRディジタルフィルタアニメーション</source>
        <translation>FIR digital filter animation</translation>
    </message>
    <message>
        <source>シフトレジスタ→</source>
        <translation>Shift register→</translation>
    </message>
    <message>
        <source>タップ係数</source>
        <translation>Coefficients</translation>
    </message>
    <message>
        <source>入力信号</source>
        <translation>Input</translation>
    </message>
    <message>
        <source>出力信号</source>
        <translation>Output</translation>
    </message>
    <message>
        <source>FIR デジタル</source>
        <translation>FIR digital</translation>
    </message>
    <message>
        <source>フィルタ</source>
        <translation>filter</translation>
    </message>
    <message>
        <source>時刻：</source>
        <translation>Time: </translation>
    </message>
    <message>
        <source>時刻&#x3000;入力信号&#x3000;出力信号</source>
        <translation>Time     Input    Output</translation>
    </message>
    <message>
        <source>印刷を開始できませんでした。</source>
        <translation>Printing could not start.</translation>
    </message>
    <message>
        <source>
%1 に書き込めません。</source>
        <translation>
Cannot write to %1.</translation>
    </message>
    <message>
        <source>印刷を完了できませんでした。</source>
        <translation>Printing could not be finished.</translation>
    </message>
</context>
<context>
    <name>ravelin::CSettingsDlg</name>
    <message>
        <source>動作の設定</source>
        <translation>Filter and Input</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>ディジタルフィルタ係数設定</source>
        <translation>Digital filter</translation>
    </message>
    <message>
        <source>ファイル入力ファイル出力動作専用</source>
        <translation>File to file only</translation>
    </message>
    <message>
        <source>入力信号設定</source>
        <translation>Input signal</translation>
    </message>
    <message>
        <source>タップ番号</source>
        <translation>Tap</translation>
    </message>
    <message>
        <source>係数</source>
        <translation>Coefficient</translation>
    </message>
    <message>
        <source>数値を入力してください。</source>
        <translation>Please enter a number.</translation>
    </message>
    <message>
        <source>%1 から %2 までの数値を入力してください。</source>
        <translation>Please enter a number from %1 to %2.</translation>
    </message>
    <message>
        <source>整数を入力してください。</source>
        <translation>Please enter a whole number.</translation>
    </message>
    <message>
        <source>%1 から %2 までの整数を入力してください。</source>
        <translation>Please enter a whole number from %1 to %2.</translation>
    </message>
</context>
</TS>
