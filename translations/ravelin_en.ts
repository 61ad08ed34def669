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
    <name>ravelin::AudioOutput</name>
    <message>
        <source>音声出力装置が見つからないため再生できません。</source>
        <translation>No sound output device was found, so nothing can be played.</translation>
    </message>
    <message>
        <source>音声出力装置の異常のため再生を中止しました。</source>
        <translation>Playback stopped: the sound output device failed.</translation>
    </message>
    <message>
        <source>音声出力装置がこの形式（%1 Hz、16 ビット、モノラル）を再生できません。</source>
        <translation>The sound output device cannot play this format (%1 Hz, 16-bit, mono).</translation>
    </message>
    <message>
        <source>音声出力装置を開けないため再生できません。</source>
        <translation>The sound output device could not be opened, so nothing can be played.</translation>
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
<context>
    <name>ravelin::DesignPanel</name>
    <message>
        <source>係数ファイル(*.txt;*.csv;*.dat;*.fir)|*.txt;*.csv;*.dat;*.fir|All Files(*.*)|*.*||</source>
        <translation>Coefficient files(*.txt;*.csv;*.dat;*.fir)|*.txt;*.csv;*.dat;*.fir|All Files(*.*)|*.*||</translation>
    </message>
    <message>
        <source>低域通過</source>
        <translation>Low-pass</translation>
    </message>
    <message>
        <source>高域通過</source>
        <translation>High-pass</translation>
    </message>
    <message>
        <source>帯域通過</source>
        <translation>Band-pass</translation>
    </message>
    <message>
        <source>帯域阻止</source>
        <translation>Band-stop</translation>
    </message>
    <message>
        <source>矩形</source>
        <translation>Rectangular</translation>
    </message>
    <message>
        <source>ハン</source>
        <translation>Hann</translation>
    </message>
    <message>
        <source>ハミング</source>
        <translation>Hamming</translation>
    </message>
    <message>
        <source>ブラックマン</source>
        <translation>Blackman</translation>
    </message>
    <message>
        <source>カイザー</source>
        <translation>Kaiser</translation>
    </message>
    <message>
        <source>タップ数は 1 から 65535 までです。</source>
        <translation>The number of taps must be from 1 to 65535.</translation>
    </message>
    <message>
        <source>遮断周波数は 0 より大きく、サンプリング周波数の半分より小さくしてください。</source>
        <translation>The cut-off frequency must be above 0 and below half the sampling rate.</translation>
    </message>
    <message>
        <source>下側の遮断周波数を上側より小さくしてください。</source>
        <translation>The lower cut-off must be below the upper one.</translation>
    </message>
    <message>
        <source>偶数のタップ数ではナイキスト周波数で利得が 0 になるため、高域通過・帯域阻止フィルタは作れません。奇数にしてください。</source>
        <translation>With an even number of taps the gain at the Nyquist frequency is 0, so no high-pass or band-stop filter can be made. Use an odd number of taps.</translation>
    </message>
    <message>
        <source>β は 0 から 100 までです。</source>
        <translation>β must be from 0 to 100.</translation>
    </message>
    <message>
        <source>通過域の中央で利得が 0 のため、0 dB に正規化できません。</source>
        <translation>The gain in the middle of the pass band is 0, so it cannot be normalised to 0 dB.</translation>
    </message>
    <message>
        <source>種類</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>サイクル/サンプル</source>
        <translation>cycles/sample</translation>
    </message>
    <message>
        <source>fs</source>
        <translation>fs</translation>
    </message>
    <message>
        <source>周波数の単位</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>遮断周波数</source>
        <translation>Cut-off</translation>
    </message>
    <message>
        <source>タップ数</source>
        <translation>Taps</translation>
    </message>
    <message>
        <source>窓関数</source>
        <translation>Window</translation>
    </message>
    <message>
        <source>カイザー窓の β</source>
        <translation>Kaiser β</translation>
    </message>
    <message>
        <source>阻止域減衰量から β を決める</source>
        <translation>β from attenuation</translation>
    </message>
    <message>
        <source>遷移幅からタップ数を決める</source>
        <translation>Taps from transition width</translation>
    </message>
    <message>
        <source>通過域の中央を 0 dB に正規化する</source>
        <translation>Pass-band centre at 0 dB</translation>
    </message>
    <message>
        <source>読み込み...</source>
        <translation>Load…</translation>
    </message>
    <message>
        <source>保存...</source>
        <translation>Save…</translation>
    </message>
    <message>
        <source>ファイル処理に使う</source>
        <translation>Use for file run</translation>
    </message>
    <message>
        <source>試聴</source>
        <translation>Listen</translation>
    </message>
    <message>
        <source>試聴結果を保存...</source>
        <translation>Save filtered file…</translation>
    </message>
    <message>
        <source>このフィルタでファイル処理を行います（設定ダイアログで選び直すまで）</source>
        <translation>File runs use this filter (until another is chosen in the Settings dialog)</translation>
    </message>
    <message>
        <source>最後にファイル処理した入力をこのフィルタで処理し、入力と聴き比べます</source>
        <translation>Filters the last file run&apos;s input with this filter, to compare with the input by ear</translation>
    </message>
    <message>
        <source>係数ファイル %1</source>
        <translation>Coefficient file %1</translation>
    </message>
    <message>
        <source>%1窓</source>
        <translation>%1 window</translation>
    </message>
    <message>
        <source>設計 %1 %2・%3 タップ・%4</source>
        <translation>%1 %2, %3 taps, %4</translation>
    </message>
    <message>
        <source>遷移幅が狭すぎるか広すぎて、タップ数が範囲（1〜65535）に収まりません。</source>
        <translation>The transition width is too narrow or too wide: the number of taps falls outside 1 to 65535.</translation>
    </message>
    <message>
        <source>%1 サンプル</source>
        <translation>%1 samples</translation>
    </message>
    <message>
        <source>タップ数 %1&#x3000;遅延 %2&lt;br&gt;通過域リップル %3&#x3000;阻止域減衰量 %4&lt;br&gt;Σ|h| = %5</source>
        <translation>Taps %1&amp;nbsp;&amp;nbsp; Delay %2&lt;br&gt;Pass-band ripple %3&amp;nbsp;&amp;nbsp; Stop-band attenuation %4&lt;br&gt;Σ|h| = %5</translation>
    </message>
    <message>
        <source>&#x3000;%1</source>
        <comment>after the measures, the warning</comment>
        <translation>&lt;br&gt;%1</translation>
    </message>
    <message>
        <source>最大 %1 dB クリップするおそれがあります</source>
        <translation>May clip by up to %1 dB</translation>
    </message>
    <message>
        <source>係数ファイルの読み込み</source>
        <translation>Load Coefficients</translation>
    </message>
    <message>
        <source>係数ファイルへの保存</source>
        <translation>Save Coefficients</translation>
    </message>
    <message>
        <source>試聴用の一時フォルダを作れません。</source>
        <translation>Cannot make a temporary folder for listening.</translation>
    </message>
    <message>
        <source>上側の遮断周波数</source>
        <translation>Upper cut-off frequency</translation>
    </message>
    <message>
        <source>阻止域減衰量</source>
        <translation>Stop-band attenuation</translation>
    </message>
    <message>
        <source>遷移幅</source>
        <translation>Transition width</translation>
    </message>
    <message>
        <source>試聴結果を保存</source>
        <translation>Save Filtered File</translation>
    </message>
    <message>
        <source>試聴結果を保存しています...</source>
        <translation>Saving the filtered file...</translation>
    </message>
</context>
<context>
    <name>ravelin::FilterDock</name>
    <message>
        <source>フィルタ特性</source>
        <translation>Filter Response</translation>
    </message>
    <message>
        <source>周波数特性</source>
        <translation>Response</translation>
    </message>
    <message>
        <source>波形と試聴</source>
        <translation>Waveforms</translation>
    </message>
    <message>
        <source>設計</source>
        <translation>Design</translation>
    </message>
    <message>
        <source>この位置からアニメーション</source>
        <translation>Animate from here</translation>
    </message>
    <message>
        <source>この位置からアニメーション（10 タップのフィルタを設定で選ぶと使えます）</source>
        <translation>Animate from here (choose a ten-tap filter in Settings first)</translation>
    </message>
    <message>
        <source>フィルタが選ばれていません</source>
        <translation>No filter chosen</translation>
    </message>
</context>
<context>
    <name>ravelin::FilterPlot</name>
    <message>
        <source>フィルタの応答</source>
        <translation>Filter response</translation>
    </message>
    <message>
        <source>ホイール・＋/−: 横の拡大縮小&#x3000;Ctrl+ホイール・↑/↓: 縦の拡大縮小
ドラッグ・←/→: 移動とカーソル&#x3000;Ctrl+←/→: 左右の図の切り替え
ダブルクリック・0: 全体表示&#x3000;右クリック: 保存</source>
        <translation>Wheel, +/−: zoom horizontally    Ctrl+wheel, ↑/↓: zoom vertically
Drag, ←/→: scroll and move the cursor    Ctrl+←/→: switch plots
Double-click, 0: fit all    Right-click: save</translation>
    </message>
    <message>
        <source>ステップ応答 s[n]（%1 タップ）</source>
        <translation>Step response s[n] (%1 taps)</translation>
    </message>
    <message>
        <source>インパルス応答 h[n]（%1 タップ）</source>
        <translation>Impulse response h[n] (%1 taps)</translation>
    </message>
    <message>
        <source>n（サンプル）</source>
        <translation>n (samples)</translation>
    </message>
    <message>
        <source>振幅特性 |H(f)| とファイルのスペクトル [dB]</source>
        <translation>Magnitude |H(f)| and the file spectra (dB)</translation>
    </message>
    <message>
        <source>振幅特性 |H(f)| [dB]</source>
        <translation>Magnitude |H(f)| (dB)</translation>
    </message>
    <message>
        <source>位相特性 ∠H(f) [度]</source>
        <translation>Phase ∠H(f) (degrees)</translation>
    </message>
    <message>
        <source>群遅延 τ(f) [サンプル]</source>
        <translation>Group delay τ(f) (samples)</translation>
    </message>
    <message>
        <source>周波数 [Hz]（%1 Hz でサンプリング）&#x3000;対数軸</source>
        <translation>Frequency (Hz, log), fs = %1 Hz</translation>
    </message>
    <message>
        <source>周波数 [Hz]（%1 Hz でサンプリング）</source>
        <translation>Frequency (Hz), fs = %1 Hz</translation>
    </message>
    <message>
        <source>周波数 [サイクル/サンプル]&#x3000;対数軸</source>
        <translation>Frequency (cycles/sample, log)</translation>
    </message>
    <message>
        <source>周波数 [サイクル/サンプル]</source>
        <translation>Frequency (cycles/sample)</translation>
    </message>
    <message>
        <source>入力</source>
        <translation>Input</translation>
    </message>
    <message>
        <source>出力</source>
        <translation>Output</translation>
    </message>
    <message>
        <source>%1 サイクル/サンプル</source>
        <translation>%1 cycles/sample</translation>
    </message>
    <message>
        <source>位相なし（%1）</source>
        <translation>no phase (%1)</translation>
    </message>
    <message>
        <source>群遅延なし（%1）</source>
        <translation>no group delay (%1)</translation>
    </message>
    <message>
        <source>%1 サンプル</source>
        <translation>%1 samples</translation>
    </message>
    <message>
        <source>（%1 ms）</source>
        <translation> (%1 ms)</translation>
    </message>
    <message>
        <source>  入力 %1</source>
        <translation>  input %1</translation>
    </message>
    <message>
        <source>  出力 %1</source>
        <translation>  output %1</translation>
    </message>
    <message>
        <source>フィルタが選ばれていません</source>
        <translation>No filter chosen</translation>
    </message>
    <message>
        <source>%1 タップ</source>
        <translation>%1 taps</translation>
    </message>
    <message>
        <source>最大 %1 dB（%2）</source>
        <translation>Peak %1 dB (at %2)</translation>
    </message>
    <message>
        <source>通過域（−3 dB）%1〜%2</source>
        <translation>Pass band (−3 dB) %1 to %2</translation>
    </message>
    <message>
        <source>阻止域 %1 から最大 %2 dB</source>
        <translation>Stop band from %1, at most %2 dB</translation>
    </message>
    <message>
        <source>入力と出力のスペクトルを表示</source>
        <translation>Input and output spectra shown</translation>
    </message>
    <message>
        <source>振幅 %1〜%2 dB</source>
        <translation>magnitude %1 to %2 dB</translation>
    </message>
    <message>
        <source>位相</source>
        <translation>phase</translation>
    </message>
    <message>
        <source>群遅延</source>
        <translation>group delay</translation>
    </message>
    <message>
        <source>表示: %1、%2〜%3%4</source>
        <translation>Showing %1, %2 to %3%4</translation>
    </message>
    <message>
        <source>（対数軸）</source>
        <translation> (log axis)</translation>
    </message>
    <message>
        <source>%1 n = %2〜%3</source>
        <translation>%1 n = %2 to %3</translation>
    </message>
    <message>
        <source>ステップ応答</source>
        <translation>Step response</translation>
    </message>
    <message>
        <source>インパルス応答</source>
        <translation>Impulse response</translation>
    </message>
    <message>
        <source>カーソル: %1</source>
        <translation>Cursor: %1</translation>
    </message>
    <message>
        <source>。</source>
        <comment>between sentences</comment>
        <translation>. </translation>
    </message>
    <message>
        <source>。</source>
        <comment>after the last sentence</comment>
        <translation>.</translation>
    </message>
    <message>
        <source>時間応答のデータを CSV で保存...</source>
        <translation>Save time response data (CSV)…</translation>
    </message>
    <message>
        <source>周波数特性のデータを CSV で保存...</source>
        <translation>Save frequency response data (CSV)…</translation>
    </message>
    <message>
        <source>スペクトルのデータを CSV で保存...</source>
        <translation>Save spectrum data (CSV)…</translation>
    </message>
    <message>
        <source>全体表示</source>
        <translation>Fit all</translation>
    </message>
    <message>
        <source>通過域を拡大</source>
        <translation>Zoom to pass band</translation>
    </message>
</context>
<context>
    <name>ravelin::PlotExport</name>
    <message>
        <source>保存できません</source>
        <translation>Cannot Save</translation>
    </message>
    <message>
        <source>ファイル %1 に書き込めませんでした。</source>
        <translation>Could not write the file %1.</translation>
    </message>
    <message>
        <source>画像として保存...</source>
        <translation>Save image (PNG/SVG)…</translation>
    </message>
    <message>
        <source>画像として保存</source>
        <translation>Save Image</translation>
    </message>
    <message>
        <source>PNG 画像 (*.png)</source>
        <translation>PNG image (*.png)</translation>
    </message>
    <message>
        <source>SVG 画像 (*.svg)</source>
        <translation>SVG image (*.svg)</translation>
    </message>
    <message>
        <source>データを CSV で保存</source>
        <translation>Save Data (CSV)</translation>
    </message>
    <message>
        <source>CSV ファイル (*.csv)</source>
        <translation>CSV file (*.csv)</translation>
    </message>
    <message>
        <source>すべてのファイル (*)</source>
        <translation>All files (*)</translation>
    </message>
</context>
<context>
    <name>ravelin::ResponseControls</name>
    <message>
        <source>インパルス応答</source>
        <translation>Impulse response</translation>
    </message>
    <message>
        <source>ステップ応答</source>
        <translation>Step response</translation>
    </message>
    <message>
        <source>時間応答の表示</source>
        <translation>Time response shown</translation>
    </message>
    <message>
        <source>時間(&amp;T):</source>
        <translation>&amp;Time:</translation>
    </message>
    <message>
        <source>振幅特性</source>
        <translation>Magnitude</translation>
    </message>
    <message>
        <source>位相特性</source>
        <translation>Phase</translation>
    </message>
    <message>
        <source>群遅延</source>
        <translation>Group delay</translation>
    </message>
    <message>
        <source>周波数特性の表示</source>
        <translation>Frequency response shown</translation>
    </message>
    <message>
        <source>周波数(&amp;Q):</source>
        <translation>Fre&amp;quency:</translation>
    </message>
    <message>
        <source>対数周波数軸(&amp;L)</source>
        <translation>&amp;Log axis</translation>
    </message>
    <message>
        <source>振幅の表示範囲</source>
        <translation>Magnitude range shown</translation>
    </message>
    <message>
        <source>範囲(&amp;R):</source>
        <translation>&amp;Range:</translation>
    </message>
    <message>
        <source>通過域を拡大(&amp;P)</source>
        <translation>&amp;Pass band</translation>
    </message>
    <message>
        <source>全体表示(&amp;A)</source>
        <translation>Fit &amp;all</translation>
    </message>
</context>
<context>
    <name>ravelin::WavePanel</name>
    <message>
        <source>%1 サンプル</source>
        <translation>%1 samples</translation>
    </message>
    <message>
        <source>%1 秒</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1: %2（%3 Hz、%4 ビット、%5）</source>
        <translation>%1: %2 (%3 Hz, %4-bit, %5)</translation>
    </message>
    <message>
        <source>ファイル実行のあと、入力と出力の波形をここに表示します。</source>
        <translation>The waveforms appear here after a file run.</translation>
    </message>
    <message>
        <source>入力を再生</source>
        <translation>Play input</translation>
    </message>
    <message>
        <source>出力を再生</source>
        <translation>Play output</translation>
    </message>
    <message>
        <source>入力を停止</source>
        <translation>Stop input</translation>
    </message>
    <message>
        <source>出力を停止</source>
        <translation>Stop output</translation>
    </message>
    <message>
        <source>入力の波形</source>
        <translation>Input waveform</translation>
    </message>
    <message>
        <source>出力の波形</source>
        <translation>Output waveform</translation>
    </message>
    <message>
        <source>波形の表示位置</source>
        <translation>Waveform position</translation>
    </message>
    <message>
        <source>全体を表示</source>
        <translation>Fit all</translation>
    </message>
    <message>
        <source>出力をフィルタの遅延だけ前に寄せる</source>
        <translation>Shift output back by the delay</translation>
    </message>
    <message>
        <source>入力</source>
        <translation>Input</translation>
    </message>
    <message>
        <source>出力</source>
        <translation>Output</translation>
    </message>
    <message>
        <source>%1 を読めないため波形を表示できません。</source>
        <translation>Cannot show the waveforms: %1 cannot be read.</translation>
    </message>
    <message>
        <source>&#x3000;▼▲ %1: %2</source>
        <translation>    ▼▲ %1: %2</translation>
    </message>
    <message>
        <source>時刻 %1 秒（サンプル %2）</source>
        <translation>Time %1 s (sample %2)</translation>
    </message>
    <message>
        <source>サンプル %1</source>
        <translation>Sample %1</translation>
    </message>
    <message>
        <source>&#x3000;%1 %2</source>
        <translation>    %1 %2</translation>
    </message>
    <message>
        <source>（サンプル %1）</source>
        <translation> (sample %1)</translation>
    </message>
    <message>
        <source>（クリップ）</source>
        <translation> (clipped)</translation>
    </message>
    <message>
        <source>波形はまだありません</source>
        <translation>No waveform yet</translation>
    </message>
    <message>
        <source>%1、長さ %2、最小 %3、最大 %4、表示 %5 から %6</source>
        <translation>%1, length %2, minimum %3, maximum %4, showing %5 to %6</translation>
    </message>
    <message>
        <source>、選択 %1 から %2</source>
        <translation>, selection %1 to %2</translation>
    </message>
    <message>
        <source>、フィルタの遅延 %1 サンプルだけ前に寄せて表示</source>
        <translation>, moved back by the filter&apos;s delay of %1 samples</translation>
    </message>
    <message>
        <source>、クリップなし</source>
        <translation>, no clipped samples</translation>
    </message>
    <message>
        <source>、%1 %2（最初は %3）</source>
        <translation>, %1 %2 (the first at %3)</translation>
    </message>
</context>
<context>
    <name>ravelin::WaveView</name>
    <message>
        <source>この位置からアニメーション</source>
        <translation>Animate from here</translation>
    </message>
</context>
</TS>
