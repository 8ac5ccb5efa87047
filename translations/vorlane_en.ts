<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>BorderWidget</name>
    <message>
        <location filename="../src/production/borderwidget.cpp" line="112"/>
        <source>test result</source>
        <translation>test result</translation>
    </message>
</context>
<context>
    <name>BtnStatusDlg</name>
    <message>
        <location filename="../src/production/btnstatusdlg.cpp" line="16"/>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <location filename="../src/production/btnstatusdlg.cpp" line="18"/>
        <source>Btn Status</source>
        <translation>Btn Status</translation>
    </message>
</context>
<context>
    <name>CalibrateDialog</name>
    <message>
        <location filename="../src/production/calibratedialog.cpp" line="17"/>
        <source>Calibrate</source>
        <translation>Calibrate</translation>
    </message>
    <message>
        <location filename="../src/production/calibratedialog.cpp" line="20"/>
        <source>Calibrating...
Please don&apos;t touch the screen!</source>
        <translation>Calibrating...
Please don&apos;t touch the screen!</translation>
    </message>
    <message>
        <location filename="../src/production/calibratedialog.cpp" line="56"/>
        <source>Ok</source>
        <translation>Ok</translation>
    </message>
    <message>
        <location filename="../src/production/calibratedialog.cpp" line="56"/>
        <source>fail</source>
        <translation>fail</translation>
    </message>
</context>
<context>
    <name>DebugSetDialog</name>
    <message>
        <location filename="../src/tools/debugsetdialog.cpp" line="33"/>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <location filename="../src/tools/debugsetdialog.cpp" line="34"/>
        <source>Row Data</source>
        <translation>Row Data</translation>
    </message>
    <message>
        <location filename="../src/tools/debugsetdialog.cpp" line="42"/>
        <source>save</source>
        <translation>save</translation>
    </message>
</context>
<context>
    <name>GenerateCsv</name>
    <message>
        <location filename="../src/tools/generatecsv.cpp" line="232"/>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <location filename="../src/tools/generatecsv.cpp" line="233"/>
        <source>Generate Files</source>
        <translation>Generate Files</translation>
    </message>
    <message>
        <location filename="../src/tools/generatecsv.cpp" line="234"/>
        <source>status</source>
        <translation>status</translation>
    </message>
</context>
<context>
    <name>HidCommand</name>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="270"/>
        <location filename="../src/device/hidcommand.cpp" line="113"/>
        <location filename="../src/device/hidcommand.cpp" line="137"/>
        <source>read XN,YN error!</source>
        <translation>read XN,YN error!</translation>
    </message>
    <message>
        <location filename="../src/device/hidcommand.cpp" line="121"/>
        <source>XN,YN mismatch!</source>
        <translation>XN,YN mismatch!</translation>
    </message>
    <message>
        <location filename="../src/device/hidcommand.cpp" line="161"/>
        <source>xRes,yRes mismatch!</source>
        <translation>xRes,yRes mismatch!</translation>
    </message>
</context>
<context>
    <name>LogAnalysisDialog</name>
    <message>
        <location filename="../src/tools/loganalysisdialog.cpp" line="40"/>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <location filename="../src/tools/loganalysisdialog.cpp" line="42"/>
        <source>选择文件</source>
        <translation>选择文件</translation>
    </message>
    <message>
        <location filename="../src/tools/loganalysisdialog.cpp" line="49"/>
        <source>日志信息</source>
        <translation>日志信息</translation>
    </message>
    <message>
        <location filename="../src/tools/loganalysisdialog.cpp" line="54"/>
        <source>功能选择</source>
        <translation>功能选择</translation>
    </message>
    <message>
        <location filename="../src/tools/loganalysisdialog.cpp" line="57"/>
        <source>OpenShort 测试</source>
        <translation>OpenShort 测试</translation>
    </message>
    <message>
        <location filename="../src/tools/loganalysisdialog.cpp" line="57"/>
        <source>平整度测试_Y驱动</source>
        <translation>平整度测试_Y驱动</translation>
    </message>
    <message>
        <location filename="../src/tools/loganalysisdialog.cpp" line="58"/>
        <source>平整度测试_X驱动</source>
        <translation>平整度测试_X驱动</translation>
    </message>
    <message>
        <location filename="../src/tools/loganalysisdialog.cpp" line="58"/>
        <source>Button Data</source>
        <translation>Button Data</translation>
    </message>
</context>
<context>
    <name>PasswordDialog</name>
    <message>
        <location filename="../src/profile/passworddialog.cpp" line="43"/>
        <source>admin password is error!</source>
        <translation>admin password is error!</translation>
    </message>
</context>
<context>
    <name>SettingDlg</name>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="21"/>
        <source>Project Settings</source>
        <translation>Project Settings</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="22"/>
        <source>FW Message</source>
        <translation>FW Message</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="23"/>
        <source>Data Setting</source>
        <translation>Data Setting</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="24"/>
        <source>System Setting</source>
        <translation>System Setting</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="25"/>
        <source>IO Setting</source>
        <translation>IO Setting</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="26"/>
        <source>Drawing Setting</source>
        <translation>Drawing Setting</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="58"/>
        <source>CF48_Mode</source>
        <translation>CF48_Mode</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="59"/>
        <source>baseline0</source>
        <translation>baseline0</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="60"/>
        <source>Power_On_Test</source>
        <translation>Power_On_Test</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="61"/>
        <source>LogPASS_Path:</source>
        <translation>LogPASS_Path:</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="62"/>
        <source>LogFAIL_Path:</source>
        <translation>LogFAIL_Path:</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="63"/>
        <source>Init_time(ms)::</source>
        <translation>Init_time(ms)::</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="65"/>
        <source>eeprom_Version:</source>
        <translation>eeprom_Version:</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="66"/>
        <source>CRC_Version:</source>
        <translation>CRC_Version:</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="67"/>
        <source>Usb_Version:</source>
        <translation>Usb_Version:</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="68"/>
        <source>XN:</source>
        <translation>XN:</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="69"/>
        <source>YN:</source>
        <translation>YN:</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="70"/>
        <source>Xres:</source>
        <translation>Xres:</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="71"/>
        <source>YRes:</source>
        <translation>YRes:</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="73"/>
        <source>OpenShort_Mode</source>
        <translation>OpenShort_Mode</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="74"/>
        <source>Planeness_X_Mode</source>
        <translation>Planeness_X_Mode</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="75"/>
        <source>Planeness_Y_Mode</source>
        <translation>Planeness_Y_Mode</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="76"/>
        <source>TB_Test</source>
        <translation>TB_Test</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="77"/>
        <source>Electric_Mode</source>
        <translation>Electric_Mode</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="78"/>
        <source>Nomal Mode</source>
        <translation>Nomal Mode</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="79"/>
        <source>Button_Data</source>
        <translation>Button_Data</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="80"/>
        <source>Button_Status</source>
        <translation>Button_Status</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="81"/>
        <source>M0_thr_min:</source>
        <translation>M0_thr_min:</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="82"/>
        <source>M0_thr_max:</source>
        <translation>M0_thr_max:</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="83"/>
        <source>M1_thr_min:</source>
        <translation>M1_thr_min:</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="84"/>
        <source>M1_thr_max:</source>
        <translation>M1_thr_max:</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="85"/>
        <source>Count_thr_edge:</source>
        <translation>Count_thr_edge:</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="86"/>
        <source>Count_thr_mid::</source>
        <translation>Count_thr_mid::</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="87"/>
        <location filename="../src/tools/settingdlg.cpp" line="90"/>
        <source>edge_min:</source>
        <translation>edge_min:</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="88"/>
        <location filename="../src/tools/settingdlg.cpp" line="91"/>
        <source>edge_max:</source>
        <translation>edge_max:</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="89"/>
        <location filename="../src/tools/settingdlg.cpp" line="92"/>
        <source>edge_Count:</source>
        <translation>edge_Count:</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="93"/>
        <source>Raster_edge_ratio:</source>
        <translation>Raster_edge_ratio:</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="94"/>
        <source>TB_value_thr:</source>
        <translation>TB_value_thr:</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="95"/>
        <source>Electric_thr:</source>
        <translation>Electric_thr:</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="96"/>
        <source>thr_min:</source>
        <translation>thr_min:</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="97"/>
        <source>thr_max:</source>
        <translation>thr_max:</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="98"/>
        <source>btn_time:</source>
        <translation>btn_time:</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="99"/>
        <source>btn_num:</source>
        <translation>btn_num:</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="101"/>
        <source>UsbVersion_Mode</source>
        <translation>UsbVersion_Mode</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="102"/>
        <source>eeprom_Version</source>
        <translation>eeprom_Version</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="103"/>
        <source>CRC_Version</source>
        <translation>CRC_Version</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="104"/>
        <source>Bootloader_Auto</source>
        <translation>Bootloader_Auto</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="105"/>
        <source>Calibrate</source>
        <translation>Calibrate</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="106"/>
        <source>Bootloader_Forced</source>
        <translation>Bootloader_Forced</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="108"/>
        <source>Calibrate time:</source>
        <translation>Calibrate time:</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="110"/>
        <source>Attb_Mode</source>
        <translation>Attb_Mode</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="111"/>
        <source>Reset_Mode</source>
        <translation>Reset_Mode</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="113"/>
        <source>Border_Mode</source>
        <translation>Border_Mode</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="114"/>
        <source>Border_width:</source>
        <translation>Border_width:</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="115"/>
        <source>Border_time:</source>
        <translation>Border_time:</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="116"/>
        <source>Border_height:</source>
        <translation>Border_height:</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="125"/>
        <source>Setting</source>
        <translation>Setting</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="134"/>
        <source>Read Panel</source>
        <translation>Read Panel</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="135"/>
        <source>Qlx Path</source>
        <translation>Qlx Path</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="136"/>
        <source>Save</source>
        <translation>Save</translation>
    </message>
</context>
<context>
    <name>Vorlane</name>
    <message>
        <location filename="../src/app/vorlane.cpp" line="173"/>
        <location filename="../src/app/vorlane.cpp" line="595"/>
        <source>Line statistics</source>
        <translation>Line statistics</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="307"/>
        <location filename="../src/app/vorlane.cpp" line="593"/>
        <source>open file</source>
        <translation>open file</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="351"/>
        <source>results store unavailable: %1</source>
        <translation>results store unavailable: %1</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="354"/>
        <source>results store available again</source>
        <translation>results store available again</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="356"/>
        <source>results store rebuilt: %1</source>
        <translation>results store rebuilt: %1</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="392"/>
        <location filename="../src/app/vorlane.cpp" line="394"/>
        <source>line store: %1</source>
        <translation>line store: %1</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="405"/>
        <source>line store refused %1: %2</source>
        <translation>line store refused %1: %2</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="441"/>
        <source>disk: %1 MB free</source>
        <translation>disk: %1 MB free</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="453"/>
        <source>disk almost full: %1 MB free</source>
        <translation>disk almost full: %1 MB free</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="605"/>
        <source>QLX HID GUI</source>
        <translation>QLX HID GUI</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="605"/>
        <source>Do you really want to exit?</source>
        <translation>Do you really want to exit?</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="800"/>
        <location filename="../src/app/vorlane_run.cpp" line="189"/>
        <source>can&apos;t find device!<byte value="xd"/>
</source>
        <translation>can&apos;t find device!<byte value="xd"/>
</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="183"/>
        <source>Test run in progress: start refused</source>
        <translation>Test run in progress: start refused</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="212"/>
        <source>no input</source>
        <translation>no input</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="216"/>
        <source>repeated test message!</source>
        <translation>repeated test message!</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="372"/>
        <source>Btn_Num is %1: no keys to press</source>
        <translation>Btn_Num is %1: no keys to press</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="477"/>
        <source>Calibrate: FAIL</source>
        <translation>Calibrate: FAIL</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="496"/>
        <source>Drawing: FAIL</source>
        <translation>Drawing: FAIL</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="550"/>
        <source>OpenShort: PASS</source>
        <translation>OpenShort: PASS</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="550"/>
        <source>OpenShort: FAIL</source>
        <translation>OpenShort: FAIL</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="568"/>
        <source>Planeness_Y: Testing</source>
        <translation>Planeness_Y: Testing</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="569"/>
        <source>Planeness_Y: %1</source>
        <translation>Planeness_Y: %1</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="571"/>
        <source>Planeness_X: Testing</source>
        <translation>Planeness_X: Testing</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="571"/>
        <source>Planeness_X: %1</source>
        <translation>Planeness_X: %1</translation>
    </message>
</context>
<context>
    <name>VorlaneClass</name>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="26"/>
        <source>KavelC-HID_V3.1_20171213_Q93F32</source>
        <translation>KavelC-HID_V3.1_20171213_Q93F32</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="59"/>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="68"/>
        <source>USB Version:</source>
        <translation>USB Version:</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="82"/>
        <source>CRC Version:</source>
        <translation>CRC Version:</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="96"/>
        <source>eeprom Version:</source>
        <translation>eeprom Version:</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="110"/>
        <source>XN:</source>
        <translation>XN:</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="124"/>
        <source>YN:</source>
        <translation>YN:</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="138"/>
        <source>XRes:</source>
        <translation>XRes:</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="152"/>
        <source>YRes:</source>
        <translation>YRes:</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="166"/>
        <source>refresh</source>
        <translation>refresh</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="190"/>
        <source>Debug Mode</source>
        <translation>Debug Mode</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="199"/>
        <source>Reset HID</source>
        <translation>Reset HID</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="206"/>
        <source>Reset KavelC</source>
        <translation>Reset KavelC</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="213"/>
        <source>InternalM0</source>
        <translation>InternalM0</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="220"/>
        <source>InternalRX</source>
        <translation>InternalRX</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="227"/>
        <source>InternalRY</source>
        <translation>InternalRY</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="234"/>
        <source>BtnSignal</source>
        <translation>BtnSignal</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="241"/>
        <source>Nomal</source>
        <translation>Nomal</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="248"/>
        <source>Debug</source>
        <translation>Debug</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="255"/>
        <source>RasterX</source>
        <translation>RasterX</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="262"/>
        <source>RasterY</source>
        <translation>RasterY</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="269"/>
        <source>Btn Data</source>
        <translation>Btn Data</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="276"/>
        <source>Btn Status</source>
        <translation>Btn Status</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="286"/>
        <source>test step</source>
        <translation>test step</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="292"/>
        <source>start</source>
        <translation>start</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="319"/>
        <source>Auto</source>
        <translation>Auto</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="329"/>
        <source>Manual</source>
        <translation>Manual</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="336"/>
        <source>Barcode</source>
        <translation>Barcode</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="359"/>
        <source>test message</source>
        <translation>test message</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="368"/>
        <source>LOT：</source>
        <translation>LOT：</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="378"/>
        <source>Worker ID：</source>
        <translation>Worker ID：</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="388"/>
        <source>TP Number
barcode：</source>
        <translation>TP Number
barcode：</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="402"/>
        <source>sign in</source>
        <translation>sign in</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="408"/>
        <source>password：</source>
        <translation>password：</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="422"/>
        <source>login</source>
        <translation>login</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="432"/>
        <source>config file</source>
        <translation>config file</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="445"/>
        <source>load file</source>
        <translation>load file</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="467"/>
        <source>Setting</source>
        <translation>Setting</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="479"/>
        <source>tools</source>
        <translation>tools</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="491"/>
        <source>language</source>
        <translation>language</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="504"/>
        <source>Default settings</source>
        <translation>Default settings</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="523"/>
        <source>DebugData settings</source>
        <translation>DebugData settings</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="531"/>
        <source>change password</source>
        <translation>change password</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="536"/>
        <source>Reference value check</source>
        <translation>Reference value check</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="544"/>
        <source>IC firware update</source>
        <translation>IC firware update</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="552"/>
        <source>Switch Windows</source>
        <translation>Switch Windows</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="557"/>
        <source>Log Analysis</source>
        <translation>Log Analysis</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="562"/>
        <source>Calibrate</source>
        <translation>Calibrate</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="570"/>
        <source>chinese</source>
        <translation>chinese</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="575"/>
        <source>english</source>
        <translation>english</translation>
    </message>
</context>
<context>
    <name>passwordDialog</name>
    <message>
        <location filename="../src/profile/passworddialog.cpp" line="18"/>
        <source>PasswordDialog</source>
        <translation>PasswordDialog</translation>
    </message>
    <message>
        <location filename="../src/profile/passworddialog.cpp" line="28"/>
        <source>confirm</source>
        <translation>confirm</translation>
    </message>
    <message>
        <location filename="../src/profile/passworddialog.cpp" line="29"/>
        <source>administrator password:</source>
        <translation>administrator password:</translation>
    </message>
    <message>
        <location filename="../src/profile/passworddialog.cpp" line="31"/>
        <source>new password:</source>
        <translation>new password:</translation>
    </message>
    <message>
        <location filename="../src/profile/passworddialog.cpp" line="34"/>
        <source>new password must be number,and it&apos;s maxlength is 6.</source>
        <translation>new password must be number,and it&apos;s maxlength is 6.</translation>
    </message>
</context>
<context>
    <name>production::ResultFile</name>
    <message>
        <location filename="../src/production/resultfile.cpp" line="174"/>
        <source>open csv file fail!<byte value="xd"/>
</source>
        <translation>open csv file fail!<byte value="xd"/>
</translation>
    </message>
</context>
<context>
    <name>results::LineUploader</name>
    <message>
        <location filename="../src/results/lineuploader.cpp" line="602"/>
        <source>line store: connected</source>
        <translation>line store: connected</translation>
    </message>
    <message>
        <location filename="../src/results/lineuploader.cpp" line="603"/>
        <source>line store: %1 waiting</source>
        <translation>line store: %1 waiting</translation>
    </message>
    <message>
        <location filename="../src/results/lineuploader.cpp" line="605"/>
        <source>, %1 refused</source>
        <translation>, %1 refused</translation>
    </message>
    <message>
        <location filename="../src/results/lineuploader.cpp" line="608"/>
        <source>, this clock is %1 min ahead of the server&apos;s</source>
        <translation>, this clock is %1 min ahead of the server&apos;s</translation>
    </message>
    <message>
        <location filename="../src/results/lineuploader.cpp" line="609"/>
        <source>, this clock is %1 min behind the server&apos;s</source>
        <translation>, this clock is %1 min behind the server&apos;s</translation>
    </message>
    <message>
        <location filename="../src/results/lineuploader.cpp" line="601"/>
        <source>line store: %1 waiting, server not reached: %2</source>
        <translation>line store: %1 waiting, server not reached: %2</translation>
    </message>
</context>
<context>
    <name>stats::HeatMapWidget</name>
    <message>
        <location filename="../src/stats/heatmapwidget.cpp" line="152"/>
        <source>of the runs:</source>
        <translation>of the runs:</translation>
    </message>
    <message>
        <location filename="../src/stats/heatmapwidget.cpp" line="152"/>
        <source>runs:</source>
        <translation>runs:</translation>
    </message>
</context>
<context>
    <name>stats::ShiftYield</name>
    <message>
        <location filename="../src/stats/shiftyield.cpp" line="36"/>
        <source>this station since %1: no panels</source>
        <translation>this station since %1: no panels</translation>
    </message>
    <message>
        <location filename="../src/stats/shiftyield.cpp" line="38"/>
        <source>this station since %1: %2 panels, first pass %3 %</source>
        <translation>this station since %1: %2 panels, first pass %3 %</translation>
    </message>
</context>
<context>
    <name>stats::StatsService</name>
    <message>
        <location filename="../src/stats/statsservice.cpp" line="140"/>
        <source>there is no results store at %1 yet</source>
        <translation>there is no results store at %1 yet</translation>
    </message>
    <message>
        <location filename="../src/stats/statsservice.cpp" line="147"/>
        <source>no line store is configured (./line.ini)</source>
        <translation>no line store is configured (./line.ini)</translation>
    </message>
    <message>
        <location filename="../src/stats/statsservice.cpp" line="152"/>
        <source>the line store is not reached: %1</source>
        <translation>the line store is not reached: %1</translation>
    </message>
</context>
<context>
    <name>stats::StatsWindow</name>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="306"/>
        <source>current</source>
        <translation>current</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="307"/>
        <source>USB version</source>
        <translation>USB version</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="308"/>
        <source>CRC version</source>
        <translation>CRC version</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="309"/>
        <source>EEPROM version</source>
        <translation>EEPROM version</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="310"/>
        <source>TB</source>
        <translation>TB</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="311"/>
        <source>Attb</source>
        <translation>Attb</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="312"/>
        <source>open/short</source>
        <translation>open/short</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="313"/>
        <source>X raster</source>
        <translation>X raster</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="314"/>
        <source>Y raster</source>
        <translation>Y raster</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="315"/>
        <source>button data</source>
        <translation>button data</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="316"/>
        <source>reset</source>
        <translation>reset</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="328"/>
        <source>Line statistics</source>
        <translation>Line statistics</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="335"/>
        <location filename="../src/stats/statswindow.cpp" line="468"/>
        <source>Yield</source>
        <translation>Yield</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="336"/>
        <source>Failures</source>
        <translation>Failures</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="337"/>
        <source>Where panels fail</source>
        <translation>Where panels fail</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="338"/>
        <source>Drift</source>
        <translation>Drift</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="339"/>
        <source>Traceability</source>
        <translation>Traceability</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="340"/>
        <source>Capability</source>
        <translation>Capability</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="347"/>
        <location filename="../src/stats/statswindow.cpp" line="355"/>
        <source>Export PNG</source>
        <translation>Export PNG</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="348"/>
        <location filename="../src/stats/statswindow.cpp" line="360"/>
        <source>Export CSV</source>
        <translation>Export CSV</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="355"/>
        <source>PNG (*.png)</source>
        <translation>PNG (*.png)</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="357"/>
        <location filename="../src/stats/statswindow.cpp" line="362"/>
        <source>could not write %1</source>
        <translation>could not write %1</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="360"/>
        <source>CSV (*.csv)</source>
        <translation>CSV (*.csv)</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="386"/>
        <location filename="../src/stats/statswindow.cpp" line="824"/>
        <location filename="../src/stats/statswindow.cpp" line="828"/>
        <source>this station&apos;s store</source>
        <translation>this station&apos;s store</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="387"/>
        <location filename="../src/stats/statswindow.cpp" line="828"/>
        <source>line store</source>
        <translation>line store</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="399"/>
        <source>last 8 hours</source>
        <translation>last 8 hours</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="400"/>
        <source>last 24 hours</source>
        <translation>last 24 hours</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="401"/>
        <source>last 7 days</source>
        <translation>last 7 days</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="402"/>
        <source>last 30 days</source>
        <translation>last 30 days</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="407"/>
        <location filename="../src/stats/statswindow.cpp" line="869"/>
        <source>all</source>
        <translation>all</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="411"/>
        <source>Refresh</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="413"/>
        <source>Store:</source>
        <translation>Store:</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="415"/>
        <source>From</source>
        <translation>From</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="417"/>
        <location filename="../src/stats/statswindow.cpp" line="563"/>
        <source>to</source>
        <translation>to</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="420"/>
        <location filename="../src/stats/statswindow.cpp" line="601"/>
        <source>Station</source>
        <translation>Station</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="422"/>
        <source>Profile</source>
        <translation>Profile</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="453"/>
        <source>per hour</source>
        <translation>per hour</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="454"/>
        <source>per day</source>
        <translation>per day</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="455"/>
        <source>per LOT</source>
        <translation>per LOT</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="456"/>
        <source>per station</source>
        <translation>per station</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="457"/>
        <source>per profile</source>
        <translation>per profile</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="462"/>
        <source>e.g. GOLD*, REF-0001</source>
        <translation>e.g. GOLD*, REF-0001</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="463"/>
        <source>Barcodes of golden samples and other engineering runs, left out of the yield: GOLD* is every barcode starting with GOLD, REF-0001 that one barcode.</source>
        <translation>Barcodes of golden samples and other engineering runs, left out of the yield: GOLD* is every barcode starting with GOLD, REF-0001 that one barcode.</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="465"/>
        <location filename="../src/stats/statswindow.cpp" line="1412"/>
        <source>engineering runs only</source>
        <translation>engineering runs only</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="469"/>
        <source>Shift starts at</source>
        <translation>Shift starts at</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="470"/>
        <source>Engineering barcodes</source>
        <translation>Engineering barcodes</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="476"/>
        <source>Both bars of a group are of the panels first tested in it (a panel is a barcode; a run without one is a panel of its own): first pass, their first run passed; final, their latest run passed, wherever and whenever it was. Each bar: yield, passed / panels; – where no panel was first tested in the group. Engineering runs are left out.</source>
        <translation>Both bars of a group are of the panels first tested in it (a panel is a barcode; a run without one is a panel of its own): first pass, their first run passed; final, their latest run passed, wherever and whenever it was. Each bar: yield, passed / panels; – where no panel was first tested in the group. Engineering runs are left out.</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="508"/>
        <source>Click a bar for the runs behind it.</source>
        <translation>Click a bar for the runs behind it.</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="522"/>
        <source>as a share of the runs (%)</source>
        <translation>as a share of the runs (%)</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="546"/>
        <source>supply current (mA)</source>
        <translation>supply current (mA)</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="547"/>
        <source>TB (mean of five)</source>
        <translation>TB (mean of five)</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="548"/>
        <source>open/short level X</source>
        <translation>open/short level X</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="549"/>
        <source>open/short level Y</source>
        <translation>open/short level Y</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="561"/>
        <source>Limits from the reference period</source>
        <translation>Limits from the reference period</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="582"/>
        <source>is</source>
        <translation>is</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="583"/>
        <source>starts with</source>
        <translation>starts with</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="586"/>
        <source>in the time range</source>
        <translation>in the time range</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="588"/>
        <source>Search</source>
        <translation>Search</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="589"/>
        <location filename="../src/stats/statswindow.cpp" line="601"/>
        <source>Barcode</source>
        <translation>Barcode</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="592"/>
        <location filename="../src/stats/statswindow.cpp" line="601"/>
        <source>LOT</source>
        <translation>LOT</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="594"/>
        <location filename="../src/stats/statswindow.cpp" line="602"/>
        <source>Worker ID</source>
        <translation>Worker ID</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="601"/>
        <source>Started</source>
        <translation>Started</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="601"/>
        <source>Verdict</source>
        <translation>Verdict</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="602"/>
        <source>Failed items</source>
        <translation>Failed items</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="602"/>
        <source>Result file</source>
        <translation>Result file</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="608"/>
        <source>Click a run to open its result file in the log viewer.</source>
        <translation>Click a run to open its result file in the log viewer.</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="609"/>
        <source>Judged against</source>
        <translation>Judged against</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="615"/>
        <source>Profile text</source>
        <translation>Profile text</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="616"/>
        <source>Changes against the version before</source>
        <translation>Changes against the version before</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="701"/>
        <source>failed: %1</source>
        <translation>failed: %1</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="820"/>
        <source>The store holds no runs yet.</source>
        <translation>The store holds no runs yet.</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="823"/>
        <source>%1: %2 runs counted; its runs before %3 were pruned once the line had them</source>
        <translation>%1: %2 runs counted; its runs before %3 were pruned once the line had them</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="828"/>
        <source>%1: %2 runs</source>
        <translation>%1: %2 runs</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="871"/>
        <location filename="../src/stats/statswindow.cpp" line="915"/>
        <source>(none)</source>
        <translation>(none)</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1210"/>
        <source>LCL (−3σ)</source>
        <translation>LCL (−3σ)</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1212"/>
        <source>UCL (3.267 × mean range)</source>
        <translation>UCL (3.267 × mean range)</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1213"/>
        <source>mean range</source>
        <translation>mean range</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1215"/>
        <source>%1 of %2: individual values, %3; %4</source>
        <translation>%1 of %2: individual values, %3; %4</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1218"/>
        <source>%1 of %2: moving range</source>
        <translation>%1 of %2: moving range</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1289"/>
        <source>Select a run to see what it was judged against.</source>
        <translation>Select a run to see what it was judged against.</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1295"/>
        <source>Profile %1: not known (the run was recorded from its file alone)</source>
        <translation>Profile %1: not known (the run was recorded from its file alone)</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1297"/>
        <source>Profile %1, version %2, first seen %3 on %4; %5</source>
        <translation>Profile %1, version %2, first seen %3 on %4; %5</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1299"/>
        <source>the first version known</source>
        <translation>the first version known</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1300"/>
        <source>the version before: %1</source>
        <translation>the version before: %1</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1303"/>
        <source>Baseline: none read for its items</source>
        <translation>Baseline: none read for its items</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1303"/>
        <source>Baseline: not known</source>
        <translation>Baseline: not known</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1304"/>
        <source>Baseline %1</source>
        <translation>Baseline %1</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1305"/>
        <source>Firmware: none downloaded in the run</source>
        <translation>Firmware: none downloaded in the run</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1305"/>
        <source>Firmware: not known</source>
        <translation>Firmware: not known</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1306"/>
        <source>Firmware %1, downloaded in the run</source>
        <translation>Firmware %1, downloaded in the run</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1307"/>
        <source>Station software: not known</source>
        <translation>Station software: not known</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1308"/>
        <source>Station software %1</source>
        <translation>Station software %1</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1336"/>
        <source>Profile %1, version %2</source>
        <translation>Profile %1, version %2</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1345"/>
        <source>Key</source>
        <translation>Key</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1345"/>
        <source>Change</source>
        <translation>Change</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1345"/>
        <source>Before</source>
        <translation>Before</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1345"/>
        <source>In this version</source>
        <translation>In this version</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1350"/>
        <source>The two versions could not be compared: no room for a temporary file.</source>
        <translation>The two versions could not be compared: no room for a temporary file.</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1353"/>
        <source>The two versions hold the same keys and values.</source>
        <translation>The two versions hold the same keys and values.</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1359"/>
        <source>added</source>
        <translation>added</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1359"/>
        <source>removed</source>
        <translation>removed</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1359"/>
        <source>changed</source>
        <translation>changed</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1365"/>
        <source>Profile %1: version %2 against %3</source>
        <translation>Profile %1: version %2 against %3</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1406"/>
        <source>Electric: supply current (mA)</source>
        <translation>Electric: supply current (mA)</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1407"/>
        <source>Tb_Value: highest TB reading</source>
        <translation>Tb_Value: highest TB reading</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1408"/>
        <source>OpenShort: each line value against its window</source>
        <translation>OpenShort: each line value against its window</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1409"/>
        <source>RasterX: highest and lowest deviation</source>
        <translation>RasterX: highest and lowest deviation</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1410"/>
        <source>RasterY: highest and lowest deviation</source>
        <translation>RasterY: highest and lowest deviation</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1411"/>
        <source>BtnData: each key&apos;s value</source>
        <translation>BtnData: each key&apos;s value</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1413"/>
        <source>Item</source>
        <translation>Item</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1420"/>
        <source>Measurement</source>
        <translation>Measurement</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1420"/>
        <source>Limits version</source>
        <translation>Limits version</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1420"/>
        <source>First run</source>
        <translation>First run</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1420"/>
        <source>Last run</source>
        <translation>Last run</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1421"/>
        <source>Lower limit</source>
        <translation>Lower limit</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1421"/>
        <source>Upper limit</source>
        <translation>Upper limit</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1421"/>
        <source>Runs</source>
        <translation>Runs</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1421"/>
        <source>Mean</source>
        <translation>Mean</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1422"/>
        <source>σ within</source>
        <translation>σ within</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1422"/>
        <source>σ overall</source>
        <translation>σ overall</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1422"/>
        <source>Cp</source>
        <translation>Cp</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1422"/>
        <source>Cpk</source>
        <translation>Cpk</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1422"/>
        <source>Pp</source>
        <translation>Pp</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1422"/>
        <source>Ppk</source>
        <translation>Ppk</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1423"/>
        <source>Outside</source>
        <translation>Outside</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1500"/>
        <source>not known</source>
        <translation>not known</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1501"/>
        <source>none</source>
        <translation>none</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1517"/>
        <source>%1 of %2</source>
        <translation>%1 of %2</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1551"/>
        <source>Each measurement against the limits of the profile its runs were judged under; where the limits changed in the range, one row and one histogram per version. σ within: the mean moving range of consecutive runs of each station and profile / 1.128; σ overall: the sample standard deviation. Cpk and Ppk: the nearer limit; one-sided (Cpu, Cpl) where the profile has one limit. Green from 1.33, orange from 1.0. %1 Click a row for its histogram.</source>
        <translation>Each measurement against the limits of the profile its runs were judged under; where the limits changed in the range, one row and one histogram per version. σ within: the mean moving range of consecutive runs of each station and profile / 1.128; σ overall: the sample standard deviation. Cpk and Ppk: the nearer limit; one-sided (Cpu, Cpl) where the profile has one limit. Green from 1.33, orange from 1.0. %1 Click a row for its histogram.</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1556"/>
        <source>Engineering runs alone.</source>
        <translation>Engineering runs alone.</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1556"/>
        <source>Engineering runs are left out.</source>
        <translation>Engineering runs are left out.</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1558"/>
        <source>No %1 measurement in the range.</source>
        <translation>No %1 measurement in the range.</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1590"/>
        <source>%1 %2, limits version %3 of %4</source>
        <translation>%1 %2, limits version %3 of %4</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1591"/>
        <source>%1 %2</source>
        <translation>%1 %2</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1593"/>
        <source>%1 runs, %2 to %3</source>
        <translation>%1 runs, %2 to %3</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1606"/>
        <source>runs per bin</source>
        <translation>runs per bin</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1629"/>
        <source>lower limit %1%2</source>
        <translation>lower limit %1%2</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1632"/>
        <source>upper limit %1%2</source>
        <translation>upper limit %1%2</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1634"/>
        <source>mean %1%2</source>
        <translation>mean %1%2</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1638"/>
        <source>%1 (counts)</source>
        <translation>%1 (counts)</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1638"/>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1648"/>
        <source>limits not known (runs recorded without their profile)</source>
        <translation>limits not known (runs recorded without their profile)</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1650"/>
        <source>Cp %1, Cpk %2, Pp %3, Ppk %4</source>
        <translation>Cp %1, Cpk %2, Pp %3, Ppk %4</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1658"/>
        <source>mean %1, σ within %2, σ overall %3; %4</source>
        <translation>mean %1, σ within %2, σ overall %3; %4</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="885"/>
        <source>This hour: no panels yet</source>
        <translation>This hour: no panels yet</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="901"/>
        <source>first pass %</source>
        <translation>first pass %</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="902"/>
        <source>final %</source>
        <translation>final %</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="975"/>
        <source>%</source>
        <translation>%</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="944"/>
        <location filename="../src/stats/statswindow.cpp" line="973"/>
        <source>failed runs</source>
        <translation>failed runs</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="882"/>
        <source>This hour: first pass %1 %, final %2 % (panels: %3)</source>
        <translation>This hour: first pass %1 %, final %2 % (panels: %3)</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="922"/>
        <source>First-pass and final yield of the panels first tested in each group (runs in brackets)</source>
        <translation>First-pass and final yield of the panels first tested in each group (runs in brackets)</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="924"/>
        <source>%1, the latest %2 of %3 groups</source>
        <translation>%1, the latest %2 of %3 groups</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="925"/>
        <source>No runs in the range</source>
        <translation>No runs in the range</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="933"/>
        <source>yield (%)</source>
        <translation>yield (%)</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="946"/>
        <source>cumulative %</source>
        <translation>cumulative %</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="963"/>
        <source>No item failed in the range</source>
        <translation>No item failed in the range</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="964"/>
        <source>Failing items (%1 failures)</source>
        <translation>Failing items (%1 failures)</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1008"/>
        <source>%1 raster: share of the runs failing at each cell (%), rows down, columns across</source>
        <translation>%1 raster: share of the runs failing at each cell (%), rows down, columns across</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1009"/>
        <source>%1 raster: runs failing at each cell, rows down, columns across</source>
        <translation>%1 raster: runs failing at each cell, rows down, columns across</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1021"/>
        <source>Profile %1 (%2 x %3), %4 runs in the range. The darker the red, the more runs failed there.</source>
        <translation>Profile %1 (%2 x %3), %4 runs in the range. The darker the red, the more runs failed there.</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1060"/>
        <source>%1 electrodes: share of the runs with an open or short</source>
        <translation>%1 electrodes: share of the runs with an open or short</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1074"/>
        <source>electrode</source>
        <translation>electrode</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1077"/>
        <source>% of the runs</source>
        <translation>% of the runs</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1078"/>
        <location filename="../src/stats/statswindow.cpp" line="1639"/>
        <source>runs</source>
        <translation>runs</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1015"/>
        <source>The panel of profile %1 is not known here: no map can be drawn.</source>
        <translation>The panel of profile %1 is not known here: no map can be drawn.</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1017"/>
        <source>%1 failing cells lie outside the %2 x %3 panel of profile %4: the store holds runs of another geometry under that name.</source>
        <translation>%1 failing cells lie outside the %2 x %3 panel of profile %4: the store holds runs of another geometry under that name.</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1047"/>
        <source>open</source>
        <translation>open</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1048"/>
        <source>short</source>
        <translation>short</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1061"/>
        <source>%1 electrodes: runs with an open or short</source>
        <translation>%1 electrodes: runs with an open or short</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1102"/>
        <source>mA</source>
        <translation>mA</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1102"/>
        <source>counts</source>
        <translation>counts</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1136"/>
        <source>value</source>
        <translation>value</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1138"/>
        <source>outside the limits</source>
        <translation>outside the limits</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1144"/>
        <source>run of eight on one side</source>
        <translation>run of eight on one side</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1196"/>
        <source>no station has runs in the range</source>
        <translation>no station has runs in the range</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1198"/>
        <source>station %1 (the first in the range; drift is per station, choose one above)</source>
        <translation>station %1 (the first in the range; drift is per station, choose one above)</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1200"/>
        <source>station %1</source>
        <translation>station %1</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1202"/>
        <source>the newest %1 of %2 runs in the range</source>
        <translation>the newest %1 of %2 runs in the range</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1203"/>
        <source>%1 runs</source>
        <translation>%1 runs</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1208"/>
        <source>UCL (+3σ)</source>
        <translation>UCL (+3σ)</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1209"/>
        <source>centre</source>
        <translation>centre</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1181"/>
        <source>run, oldest to newest</source>
        <translation>run, oldest to newest</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1204"/>
        <source>limits from %1 reference runs</source>
        <translation>limits from %1 reference runs</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1205"/>
        <source>too few reference runs for limits: choose another period</source>
        <translation>too few reference runs for limits: choose another period</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1258"/>
        <source>No run matches the search.</source>
        <translation>No run matches the search.</translation>
    </message>
</context>
</TS>
