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
        <location filename="../src/production/calibratedialog.cpp" line="55"/>
        <source>Ok</source>
        <translation>Ok</translation>
    </message>
    <message>
        <location filename="../src/production/calibratedialog.cpp" line="55"/>
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
        <location filename="../src/tools/generatecsv.cpp" line="228"/>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <location filename="../src/tools/generatecsv.cpp" line="229"/>
        <source>Generate Files</source>
        <translation>Generate Files</translation>
    </message>
    <message>
        <location filename="../src/tools/generatecsv.cpp" line="230"/>
        <source>status</source>
        <translation>status</translation>
    </message>
</context>
<context>
    <name>HidCommand</name>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="165"/>
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
        <location filename="../src/app/vorlane.cpp" line="231"/>
        <location filename="../src/app/vorlane.cpp" line="429"/>
        <source>open file</source>
        <translation>open file</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="275"/>
        <source>results store unavailable: %1</source>
        <translation>results store unavailable: %1</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="278"/>
        <source>results store available again</source>
        <translation>results store available again</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="434"/>
        <source>QLX HID GUI</source>
        <translation>QLX HID GUI</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="434"/>
        <source>Do you really want to exit?</source>
        <translation>Do you really want to exit?</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="613"/>
        <location filename="../src/app/vorlane_run.cpp" line="98"/>
        <source>can&apos;t find device!<byte value="xd"/>
</source>
        <translation>can&apos;t find device!<byte value="xd"/>
</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="114"/>
        <source>no input</source>
        <translation>no input</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="118"/>
        <source>repeated test message!</source>
        <translation>repeated test message!</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="357"/>
        <source>OpenShort: PASS</source>
        <translation>OpenShort: PASS</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="357"/>
        <source>OpenShort: FAIL</source>
        <translation>OpenShort: FAIL</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="373"/>
        <source>Planeness_Y: Testing</source>
        <translation>Planeness_Y: Testing</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="374"/>
        <source>Planeness_Y: %1</source>
        <translation>Planeness_Y: %1</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="376"/>
        <source>Planeness_X: Testing</source>
        <translation>Planeness_X: Testing</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="376"/>
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
        <location filename="../src/production/resultfile.cpp" line="158"/>
        <source>open csv file fail!<byte value="xd"/>
</source>
        <translation>open csv file fail!<byte value="xd"/>
</translation>
    </message>
</context>
<context>
    <name>results::LineUploader</name>
    <message>
        <location filename="../src/results/lineuploader.cpp" line="272"/>
        <source>line store: connected</source>
        <translation>line store: connected</translation>
    </message>
    <message>
        <location filename="../src/results/lineuploader.cpp" line="272"/>
        <source>line store: %1 waiting</source>
        <translation>line store: %1 waiting</translation>
    </message>
    <message>
        <location filename="../src/results/lineuploader.cpp" line="273"/>
        <source>line store: %1 waiting, server not reached: %2</source>
        <translation>line store: %1 waiting, server not reached: %2</translation>
    </message>
</context>
</TS>
