<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>Messages</name>
    <message>
        <source>確認するデータがありません。</source>
        <translation>There is no data to review.</translation>
    </message>
    <message>
        <source>ログの最大記録行数を超えましたのでデータがありません。</source>
        <translation>No data: the log went over its maximum number of lines.</translation>
    </message>
    <message>
        <source>ファイルのオープンに失敗しました。</source>
        <translation>Could not open the file.</translation>
    </message>
    <message>
        <source>書き込みファイルが既に存在します。オーバーライトしますか？</source>
        <translation>The output file already exists. Overwrite it?</translation>
    </message>
    <message>
        <source>ログがありません。</source>
        <translation>There is no log.</translation>
    </message>
    <message>
        <source>ログが不完全です。完全なレコードのみをエクスポートしました。</source>
        <translation>The log is incomplete. Only its complete records were exported.</translation>
    </message>
    <message>
        <source>の書き込みに失敗しました。</source>
        <translation> could not be written.</translation>
    </message>
    <message>
        <source>はWaveファイルではありません。</source>
        <translation> is not a WAV file.</translation>
    </message>
    <message>
        <source>はこのプログラムで処理できません。</source>
        <translation> cannot be processed by this program.</translation>
    </message>
    <message>
        <source>の読み込みに失敗しました。</source>
        <translation> could not be read.</translation>
    </message>
    <message>
        <source>ドライブの空き容量が不足しています。</source>
        <translation>There is not enough free space on the drive.</translation>
    </message>
    <message>
        <source>出力ファイルパスが設定されていません。</source>
        <translation>No output folder is set.</translation>
    </message>
    <message>
        <source>ファイルが選択されていません。</source>
        <translation>No file is selected.</translation>
    </message>
    <message>
        <source>出力ファイル名を指定してください</source>
        <translation>Enter an output file name.</translation>
    </message>
    <message>
        <source>終了しました。</source>
        <translation>Finished.</translation>
    </message>
    <message>
        <source><byte value="xd"/>
はロックファイルとして使用できません。</source>
        <translation><byte value="xd"/>
cannot be used as a lock file.</translation>
    </message>
    <message>
        <source>問題ファイル数：  %1<byte value="xd"/>
<byte value="xd"/>
終了します。</source>
        <translation>Files with problems:  %1<byte value="xd"/>
<byte value="xd"/>
Finished.</translation>
    </message>
    <message>
        <source>他の処理がこのフォルダのログを使用中です。終了してから実行してください。</source>
        <translation>Another run is using the logs in this folder. Start again when it has finished.</translation>
    </message>
    <message>
        <source>サウンドデバイスを開けませんでした。</source>
        <translation>Could not open the sound device.</translation>
    </message>
    <message>
        <source><byte value="xd"/>
は設定ファイルとして読み込めません。標準の設定を使います。</source>
        <translation><byte value="xd"/>
cannot be read as a settings file. The default settings are used.</translation>
    </message>
</context>
<context>
    <name>TAboutBox</name>
    <message>
        <source>バージョン情報</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source><byte value="xd"/>
を開けませんでした。</source>
        <translation><byte value="xd"/>
could not be opened.</translation>
    </message>
    <message>
        <source><byte value="xd"/>
に設定を保存できませんでした。</source>
        <translation><byte value="xd"/>
could not be written: the settings were not saved.</translation>
    </message>
    <message>
        <source>ログをエクスポートするファイル名を指定ください。</source>
        <translation>Choose a file name for the log export</translation>
    </message>
    <message>
        <source>Text File(.txt)|*.txt</source>
        <translation>Text files|*.txt</translation>
    </message>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>ログのExport(&amp;E)</source>
        <translation>&amp;Export Logs...</translation>
    </message>
    <message>
        <source>終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>WaveWindow(&amp;W)</source>
        <translation>&amp;Wave Window</translation>
    </message>
    <message>
        <source>設定(&amp;S)</source>
        <translation>&amp;Settings</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>バージョン(&amp;V)</source>
        <translation>&amp;About</translation>
    </message>
    <message>
        <source>Input File</source>
        <translation>Input File</translation>
    </message>
    <message>
        <source>選択ファイル数</source>
        <translation>Selected files</translation>
    </message>
    <message>
        <source>Output File</source>
        <translation>Output File</translation>
    </message>
    <message>
        <source>検出 (&amp;C)</source>
        <translation>&amp;Detect</translation>
    </message>
    <message>
        <source>除去 (&amp;D)</source>
        <translation>&amp;Remove</translation>
    </message>
    <message>
        <source>中止 (&amp;A)</source>
        <translation>S&amp;top</translation>
    </message>
    <message>
        <source>検出結果を使用</source>
        <translation>Use detection results</translation>
    </message>
    <message>
        <source>実行率</source>
        <translation>Progress</translation>
    </message>
    <message>
        <source>検出数</source>
        <translation>Clicks</translation>
    </message>
    <message>
        <source>修正数</source>
        <translation>Repaired</translation>
    </message>
    <message>
        <source>終了  (&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>検出/修正データ</source>
        <translation>Results</translation>
    </message>
    <message>
        <source>検出データをファイルに出力</source>
        <translation>Write click details to a file</translation>
    </message>
    <message>
        <source>確認(&amp;K)</source>
        <translation>Re&amp;view</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>ID</translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>File Name</translation>
    </message>
    <message>
        <source>Noise Count</source>
        <translation>Clicks</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>ドライブ</source>
        <translation>Drive</translation>
    </message>
    <message>
        <source>フォルダ</source>
        <translation>Folder</translation>
    </message>
</context>
<context>
    <name>TForm2</name>
    <message>
        <source>次のデータはありません。</source>
        <translation>There are no more clicks.</translation>
    </message>
    <message>
        <source>Wave Window   After Delete</source>
        <translation>Wave Window   After Removal</translation>
    </message>
    <message>
        <source>Wave Window   After Check</source>
        <translation>Wave Window   After Detection</translation>
    </message>
    <message>
        <source>OutPut File Name: </source>
        <translation>Output file: </translation>
    </message>
    <message>
        <source>InPut File Name: </source>
        <translation>Input file: </translation>
    </message>
    <message>
        <source>      Noise Count: </source>
        <translation>      Clicks: </translation>
    </message>
    <message>
        <source>      PlayTime:</source>
        <translation>      Play time: </translation>
    </message>
    <message>
        <source>ファイルが選択されていません。</source>
        <translation>No file is selected.</translation>
    </message>
    <message>
        <source>Waveファイルフォーマットではありません。</source>
        <translation>This is not a WAV file.</translation>
    </message>
    <message>
        <source>Wave Window</source>
        <translation>Wave Window</translation>
    </message>
    <message>
        <source>   PlayTime:</source>
        <translation>   Play time: </translation>
    </message>
    <message>
        <source>エクスポートするファイル名を指定ください。</source>
        <translation>Choose a file name for the data dump</translation>
    </message>
    <message>
        <source>Text File(.txt)|*.txt</source>
        <translation>Text files|*.txt</translation>
    </message>
    <message>
        <source>検出データ</source>
        <translation>Clicks found</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>ID</translation>
    </message>
    <message>
        <source>L/R</source>
        <translation>L/R</translation>
    </message>
    <message>
        <source>NoisePosition</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>Width</translation>
    </message>
    <message>
        <source>閉じる(&amp;X)</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>Forward(&amp;F)</source>
        <translation>&amp;Forward</translation>
    </message>
    <message>
        <source>Back(&amp;B)</source>
        <translation>&amp;Back</translation>
    </message>
    <message>
        <source>再生(&amp;P)</source>
        <translation>&amp;Play</translation>
    </message>
    <message>
        <source>停止(&amp;S)</source>
        <translation>&amp;Stop</translation>
    </message>
    <message>
        <source>除去再生(&amp;D)</source>
        <translation>Play &amp;Repaired</translation>
    </message>
    <message>
        <source>停止(S&amp;)</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>元再生(&amp;D)</source>
        <translation>Play O&amp;riginal</translation>
    </message>
    <message>
        <source>Option(&amp;O)</source>
        <translation>&amp;Options</translation>
    </message>
    <message>
        <source>設定(&amp;S)</source>
        <translation>&amp;Settings...</translation>
    </message>
    <message>
        <source>DataDump(&amp;D)</source>
        <translation>&amp;Data Dump...</translation>
    </message>
    <message>
        <source>ノイズ位置 %1（%2チャンネル）、値 %3</source>
        <translation>Click at position %1 (channel %2), value %3</translation>
    </message>
    <message>
        <source>再生中の波形</source>
        <translation>Waveform of the sound playing</translation>
    </message>
    <message>
        <source>ノイズの表示なし</source>
        <translation>No click shown</translation>
    </message>
    <message>
        <source>波形</source>
        <translation>Waveform</translation>
    </message>
</context>
<context>
    <name>TForm3</name>
    <message>
        <source>レベル感度</source>
        <translation>Level sensitivity</translation>
    </message>
    <message>
        <source>時間感度</source>
        <translation>Time sensitivity</translation>
    </message>
    <message>
        <source>LOW</source>
        <translation>Low</translation>
    </message>
    <message>
        <source>MID</source>
        <translation>Mid</translation>
    </message>
    <message>
        <source>HIGH</source>
        <translation>High</translation>
    </message>
    <message>
        <source>狭</source>
        <translation>Narrow</translation>
    </message>
    <message>
        <source>中</source>
        <translation>Mid</translation>
    </message>
    <message>
        <source>広</source>
        <translation>Wide</translation>
    </message>
    <message>
        <source>設定</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>検出時感度</source>
        <translation>Detection</translation>
    </message>
    <message>
        <source>除去時感度</source>
        <translation>Removal</translation>
    </message>
    <message>
        <source>Default Set</source>
        <translation>Defaults</translation>
    </message>
    <message>
        <source>出力ファイル設定</source>
        <translation>Output files</translation>
    </message>
    <message>
        <source>Inputと同じフォルダに出力</source>
        <translation>Output to the input&apos;s folder</translation>
    </message>
    <message>
        <source>自動で出力ファイル名を設定</source>
        <translation>Name output files automatically</translation>
    </message>
    <message>
        <source>上書き確認</source>
        <translation>Ask before overwriting</translation>
    </message>
    <message>
        <source>出力ファイルパス</source>
        <translation>Output folder</translation>
    </message>
    <message>
        <source>修正再生時間(秒）</source>
        <translation>Preview length (s)</translation>
    </message>
    <message>
        <source>ノイズデータのダンプテキスト長</source>
        <translation>Data dump length</translation>
    </message>
    <message>
        <source>ログの最大行数（千行）</source>
        <translation>Log limit (1000 lines)</translation>
    </message>
    <message>
        <source>再生バッファの深さ</source>
        <translation>Playback buffer depth</translation>
    </message>
    <message>
        <source>浅</source>
        <translation>Shallow</translation>
    </message>
    <message>
        <source>深</source>
        <translation>Deep</translation>
    </message>
    <message>
        <source>波形表示粗さ</source>
        <translation>Waveform coarseness</translation>
    </message>
    <message>
        <source>精</source>
        <translation>Fine</translation>
    </message>
    <message>
        <source>荒</source>
        <translation>Coarse</translation>
    </message>
    <message>
        <source>無</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>波形表示時間</source>
        <translation>Waveform time span</translation>
    </message>
    <message>
        <source>10ms</source>
        <translation>10 ms</translation>
    </message>
    <message>
        <source>500ｍＳ</source>
        <translation>500 ms</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>検出時のレベル感度</source>
        <translation>Level sensitivity for detection</translation>
    </message>
    <message>
        <source>検出時の時間感度</source>
        <translation>Time sensitivity for detection</translation>
    </message>
    <message>
        <source>除去時のレベル感度</source>
        <translation>Level sensitivity for removal</translation>
    </message>
    <message>
        <source>除去時の時間感度</source>
        <translation>Time sensitivity for removal</translation>
    </message>
    <message>
        <source>検出時感度を初期値に戻す</source>
        <translation>Reset the detection sensitivities to their defaults</translation>
    </message>
    <message>
        <source>除去時感度を初期値に戻す</source>
        <translation>Reset the removal sensitivities to their defaults</translation>
    </message>
</context>
</TS>
