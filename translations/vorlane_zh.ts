<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>BorderWidget</name>
    <message>
        <location filename="../src/production/borderwidget.cpp" line="112"/>
        <source>test result</source>
        <translation>测试结果</translation>
    </message>
</context>
<context>
    <name>BtnStatusDlg</name>
    <message>
        <location filename="../src/production/btnstatusdlg.cpp" line="16"/>
        <source>Dialog</source>
        <translation>对话框</translation>
    </message>
    <message>
        <location filename="../src/production/btnstatusdlg.cpp" line="18"/>
        <source>Btn Status</source>
        <translation>按键状态</translation>
    </message>
</context>
<context>
    <name>CalibrateDialog</name>
    <message>
        <location filename="../src/production/calibratedialog.cpp" line="17"/>
        <source>Calibrate</source>
        <translation>校准</translation>
    </message>
    <message>
        <location filename="../src/production/calibratedialog.cpp" line="20"/>
        <source>Calibrating...
Please don&apos;t touch the screen!</source>
        <translation>正在校准…
请不要触摸屏幕！</translation>
    </message>
    <message>
        <location filename="../src/production/calibratedialog.cpp" line="56"/>
        <source>Ok</source>
        <translation>确定</translation>
    </message>
    <message>
        <location filename="../src/production/calibratedialog.cpp" line="56"/>
        <source>fail</source>
        <translation>失败</translation>
    </message>
</context>
<context>
    <name>DebugSetDialog</name>
    <message>
        <location filename="../src/tools/debugsetdialog.cpp" line="33"/>
        <source>Dialog</source>
        <translation>对话框</translation>
    </message>
    <message>
        <location filename="../src/tools/debugsetdialog.cpp" line="34"/>
        <source>Row Data</source>
        <translation>通道数据</translation>
    </message>
    <message>
        <location filename="../src/tools/debugsetdialog.cpp" line="42"/>
        <source>save</source>
        <translation>保存</translation>
    </message>
</context>
<context>
    <name>GenerateCsv</name>
    <message>
        <location filename="../src/tools/generatecsv.cpp" line="232"/>
        <source>Dialog</source>
        <translation>对话框</translation>
    </message>
    <message>
        <location filename="../src/tools/generatecsv.cpp" line="233"/>
        <source>Generate Files</source>
        <translation>生成基准文件</translation>
    </message>
    <message>
        <location filename="../src/tools/generatecsv.cpp" line="234"/>
        <source>status</source>
        <translation>状态</translation>
    </message>
</context>
<context>
    <name>HidCommand</name>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="258"/>
        <location filename="../src/device/hidcommand.cpp" line="113"/>
        <location filename="../src/device/hidcommand.cpp" line="137"/>
        <source>read XN,YN error!</source>
        <translation>读取XN、YN错误！</translation>
    </message>
    <message>
        <location filename="../src/device/hidcommand.cpp" line="121"/>
        <source>XN,YN mismatch!</source>
        <translation>XN、YN不匹配！</translation>
    </message>
    <message>
        <location filename="../src/device/hidcommand.cpp" line="161"/>
        <source>xRes,yRes mismatch!</source>
        <translation>X、Y分辨率不匹配！</translation>
    </message>
</context>
<context>
    <name>LogAnalysisDialog</name>
    <message>
        <location filename="../src/tools/loganalysisdialog.cpp" line="40"/>
        <source>Dialog</source>
        <translation>对话框</translation>
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
        <translation>按键数据</translation>
    </message>
</context>
<context>
    <name>PasswordDialog</name>
    <message>
        <location filename="../src/profile/passworddialog.cpp" line="43"/>
        <source>admin password is error!</source>
        <translation>管理员密码错误！</translation>
    </message>
</context>
<context>
    <name>SettingDlg</name>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="21"/>
        <source>Project Settings</source>
        <translation>项目设置</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="22"/>
        <source>FW Message</source>
        <translation>固件信息</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="23"/>
        <source>Data Setting</source>
        <translation>数据设置</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="24"/>
        <source>System Setting</source>
        <translation>系统设置</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="25"/>
        <source>IO Setting</source>
        <translation>测试项设置</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="26"/>
        <source>Drawing Setting</source>
        <translation>划线设置</translation>
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
        <translation>初始化时间(ms)::</translation>
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
        <translation>正常模式</translation>
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
        <translation>按键时间：</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="99"/>
        <source>btn_num:</source>
        <translation>按键数量：</translation>
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
        <translation>校准</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="106"/>
        <source>Bootloader_Forced</source>
        <translation>Bootloader_Forced</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="108"/>
        <source>Calibrate time:</source>
        <translation>校准时间：</translation>
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
        <translation>划线宽度：</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="115"/>
        <source>Border_time:</source>
        <translation>划线时间：</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="116"/>
        <source>Border_height:</source>
        <translation>划线高度：</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="125"/>
        <source>Setting</source>
        <translation>设置</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="134"/>
        <source>Read Panel</source>
        <translation>读取面板</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="135"/>
        <source>Qlx Path</source>
        <translation>固件路径</translation>
    </message>
    <message>
        <location filename="../src/tools/settingdlg.cpp" line="136"/>
        <source>Save</source>
        <translation>保存</translation>
    </message>
</context>
<context>
    <name>Vorlane</name>
    <message>
        <location filename="../src/app/vorlane.cpp" line="166"/>
        <location filename="../src/app/vorlane.cpp" line="508"/>
        <source>Line statistics</source>
        <translation>产线统计</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="300"/>
        <location filename="../src/app/vorlane.cpp" line="506"/>
        <source>open file</source>
        <translation>打开文件</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="344"/>
        <source>results store unavailable: %1</source>
        <translation>结果数据库不可用：%1</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="347"/>
        <source>results store available again</source>
        <translation>结果数据库已恢复</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="516"/>
        <source>QLX HID GUI</source>
        <translation>QLX HID GUI</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="516"/>
        <source>Do you really want to exit?</source>
        <translation>确定要退出吗？</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="711"/>
        <location filename="../src/app/vorlane_run.cpp" line="185"/>
        <source>can&apos;t find device!<byte value="xd"/>
</source>
        <translation>找不到设备！<byte value="xd"/>
</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="179"/>
        <source>Test run in progress: start refused</source>
        <translation>测试进行中：不再开始新的测试</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="203"/>
        <source>no input</source>
        <translation>没有输入</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="207"/>
        <source>repeated test message!</source>
        <translation>测试信息重复！</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="360"/>
        <source>Btn_Num is %1: no keys to press</source>
        <translation>Btn_Num 为 %1：没有要按的按键</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="465"/>
        <source>Calibrate: FAIL</source>
        <translation>校准: FAIL</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="484"/>
        <source>Drawing: FAIL</source>
        <translation>划线: FAIL</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="534"/>
        <source>OpenShort: PASS</source>
        <translation>开短路: PASS</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="534"/>
        <source>OpenShort: FAIL</source>
        <translation>开短路: FAIL</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="552"/>
        <source>Planeness_Y: Testing</source>
        <translation>平整度_Y: 测试中</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="553"/>
        <source>Planeness_Y: %1</source>
        <translation>平整度_Y: %1</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="555"/>
        <source>Planeness_X: Testing</source>
        <translation>平整度_X: 测试中</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="555"/>
        <source>Planeness_X: %1</source>
        <translation>平整度_X: %1</translation>
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
        <translation>版本</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="68"/>
        <source>USB Version:</source>
        <translation>USB版本：</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="82"/>
        <source>CRC Version:</source>
        <translation>CRC版本：</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="96"/>
        <source>eeprom Version:</source>
        <translation>EEPROM版本：</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="110"/>
        <source>XN:</source>
        <translation>XN：</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="124"/>
        <source>YN:</source>
        <translation>YN：</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="138"/>
        <source>XRes:</source>
        <translation>X分辨率：</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="152"/>
        <source>YRes:</source>
        <translation>Y分辨率：</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="166"/>
        <source>refresh</source>
        <translation>刷新</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="190"/>
        <source>Debug Mode</source>
        <translation>调试模式</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="199"/>
        <source>Reset HID</source>
        <translation>复位HID</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="206"/>
        <source>Reset KavelC</source>
        <translation>复位KavelC</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="213"/>
        <source>InternalM0</source>
        <translation>内部M0</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="220"/>
        <source>InternalRX</source>
        <translation>内部RX</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="227"/>
        <source>InternalRY</source>
        <translation>内部RY</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="234"/>
        <source>BtnSignal</source>
        <translation>按键信号</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="241"/>
        <source>Nomal</source>
        <translation>正常</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="248"/>
        <source>Debug</source>
        <translation>调试</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="255"/>
        <source>RasterX</source>
        <translation>光栅X</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="262"/>
        <source>RasterY</source>
        <translation>光栅Y</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="269"/>
        <source>Btn Data</source>
        <translation>按键数据</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="276"/>
        <source>Btn Status</source>
        <translation>按键状态</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="286"/>
        <source>test step</source>
        <translation>测试步骤</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="292"/>
        <source>start</source>
        <translation>开始</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="319"/>
        <source>Auto</source>
        <translation>自动</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="329"/>
        <source>Manual</source>
        <translation>手动</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="336"/>
        <source>Barcode</source>
        <translation>条码</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="359"/>
        <source>test message</source>
        <translation>测试信息</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="368"/>
        <source>LOT：</source>
        <translation>批号：</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="378"/>
        <source>Worker ID：</source>
        <translation>工号：</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="388"/>
        <source>TP Number
barcode：</source>
        <translation>TP编号
条码：</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="402"/>
        <source>sign in</source>
        <translation>登录</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="408"/>
        <source>password：</source>
        <translation>密码：</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="422"/>
        <source>login</source>
        <translation>登录</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="432"/>
        <source>config file</source>
        <translation>配置文件</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="445"/>
        <source>load file</source>
        <translation>加载文件</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="467"/>
        <source>Setting</source>
        <translation>设置</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="479"/>
        <source>tools</source>
        <translation>工具</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="491"/>
        <source>language</source>
        <translation>语言</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="504"/>
        <source>Default settings</source>
        <translation>默认设置</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="523"/>
        <source>DebugData settings</source>
        <translation>调试数据设置</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="531"/>
        <source>change password</source>
        <translation>修改密码</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="536"/>
        <source>Reference value check</source>
        <translation>基准值检查</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="544"/>
        <source>IC firware update</source>
        <translation>IC固件升级</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="552"/>
        <source>Switch Windows</source>
        <translation>切换窗口</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="557"/>
        <source>Log Analysis</source>
        <translation>日志分析</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="562"/>
        <source>Calibrate</source>
        <translation>校准</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="570"/>
        <source>chinese</source>
        <translation>中文</translation>
    </message>
    <message>
        <location filename="../src/app/form/vorlane.ui" line="575"/>
        <source>english</source>
        <translation>English</translation>
    </message>
</context>
<context>
    <name>passwordDialog</name>
    <message>
        <location filename="../src/profile/passworddialog.cpp" line="18"/>
        <source>PasswordDialog</source>
        <translation>修改密码</translation>
    </message>
    <message>
        <location filename="../src/profile/passworddialog.cpp" line="28"/>
        <source>confirm</source>
        <translation>确认</translation>
    </message>
    <message>
        <location filename="../src/profile/passworddialog.cpp" line="29"/>
        <source>administrator password:</source>
        <translation>管理员密码：</translation>
    </message>
    <message>
        <location filename="../src/profile/passworddialog.cpp" line="31"/>
        <source>new password:</source>
        <translation>新密码：</translation>
    </message>
    <message>
        <location filename="../src/profile/passworddialog.cpp" line="34"/>
        <source>new password must be number,and it&apos;s maxlength is 6.</source>
        <translation>新密码必须为数字，最长6位。</translation>
    </message>
</context>
<context>
    <name>production::ResultFile</name>
    <message>
        <location filename="../src/production/resultfile.cpp" line="162"/>
        <source>open csv file fail!<byte value="xd"/>
</source>
        <translation>打开CSV文件失败！<byte value="xd"/>
</translation>
    </message>
</context>
<context>
    <name>results::LineUploader</name>
    <message>
        <location filename="../src/results/lineuploader.cpp" line="337"/>
        <source>line store: connected</source>
        <translation>产线数据库：已连接</translation>
    </message>
    <message>
        <location filename="../src/results/lineuploader.cpp" line="337"/>
        <source>line store: %1 waiting</source>
        <translation>产线数据库：%1 条待上传</translation>
    </message>
    <message>
        <location filename="../src/results/lineuploader.cpp" line="338"/>
        <source>line store: %1 waiting, server not reached: %2</source>
        <translation>产线数据库：%1 条待上传，无法连接服务器：%2</translation>
    </message>
</context>
<context>
    <name>stats::ShiftYield</name>
    <message>
        <location filename="../src/stats/shiftyield.cpp" line="34"/>
        <source>this station since %1: no panels</source>
        <translation>本站自 %1 起：暂无面板</translation>
    </message>
    <message>
        <location filename="../src/stats/shiftyield.cpp" line="36"/>
        <source>this station since %1: %2 panels, first pass %3 %</source>
        <translation>本站自 %1 起：%2 片，一次良率 %3 %</translation>
    </message>
</context>
<context>
    <name>stats::StatsService</name>
    <message>
        <location filename="../src/stats/statsservice.cpp" line="117"/>
        <source>there is no results store at %1 yet</source>
        <translation>%1 尚无结果数据库</translation>
    </message>
    <message>
        <location filename="../src/stats/statsservice.cpp" line="124"/>
        <source>no line store is configured (./line.ini)</source>
        <translation>未配置产线数据库（./line.ini）</translation>
    </message>
    <message>
        <location filename="../src/stats/statsservice.cpp" line="129"/>
        <source>the line store is not reached: %1</source>
        <translation>无法连接产线数据库：%1</translation>
    </message>
</context>
<context>
    <name>stats::StatsWindow</name>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="165"/>
        <source>current</source>
        <translation>电流</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="166"/>
        <source>USB version</source>
        <translation>USB 版本</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="167"/>
        <source>CRC version</source>
        <translation>CRC 版本</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="168"/>
        <source>EEPROM version</source>
        <translation>EEPROM 版本</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="169"/>
        <source>TB</source>
        <translation>TB</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="170"/>
        <source>Attb</source>
        <translation>Attb</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="171"/>
        <source>open/short</source>
        <translation>开短路</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="172"/>
        <source>X raster</source>
        <translation>X 平整度</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="173"/>
        <source>Y raster</source>
        <translation>Y 平整度</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="174"/>
        <source>button data</source>
        <translation>按键数据</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="175"/>
        <source>reset</source>
        <translation>复位</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="187"/>
        <source>Line statistics</source>
        <translation>产线统计</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="194"/>
        <location filename="../src/stats/statswindow.cpp" line="319"/>
        <source>Yield</source>
        <translation>良率</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="195"/>
        <source>Failures</source>
        <translation>不良项</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="196"/>
        <source>Where panels fail</source>
        <translation>不良位置</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="197"/>
        <source>Drift</source>
        <translation>漂移</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="198"/>
        <source>Traceability</source>
        <translation>追溯</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="205"/>
        <location filename="../src/stats/statswindow.cpp" line="213"/>
        <source>Export PNG</source>
        <translation>导出 PNG</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="206"/>
        <location filename="../src/stats/statswindow.cpp" line="218"/>
        <source>Export CSV</source>
        <translation>导出 CSV</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="213"/>
        <source>PNG (*.png)</source>
        <translation>PNG (*.png)</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="215"/>
        <location filename="../src/stats/statswindow.cpp" line="220"/>
        <source>could not write %1</source>
        <translation>无法写入 %1</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="218"/>
        <source>CSV (*.csv)</source>
        <translation>CSV (*.csv)</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="244"/>
        <location filename="../src/stats/statswindow.cpp" line="584"/>
        <source>this station&apos;s store</source>
        <translation>本站数据库</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="245"/>
        <location filename="../src/stats/statswindow.cpp" line="584"/>
        <source>line store</source>
        <translation>产线数据库</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="257"/>
        <source>last 8 hours</source>
        <translation>最近 8 小时</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="258"/>
        <source>last 24 hours</source>
        <translation>最近 24 小时</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="259"/>
        <source>last 7 days</source>
        <translation>最近 7 天</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="260"/>
        <source>last 30 days</source>
        <translation>最近 30 天</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="265"/>
        <location filename="../src/stats/statswindow.cpp" line="619"/>
        <source>all</source>
        <translation>全部</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="269"/>
        <source>Refresh</source>
        <translation>刷新</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="271"/>
        <source>Store:</source>
        <translation>数据库：</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="273"/>
        <source>From</source>
        <translation>从</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="275"/>
        <location filename="../src/stats/statswindow.cpp" line="385"/>
        <source>to</source>
        <translation>到</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="278"/>
        <location filename="../src/stats/statswindow.cpp" line="419"/>
        <source>Station</source>
        <translation>工位</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="280"/>
        <source>Profile</source>
        <translation>配置</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="310"/>
        <source>per hour</source>
        <translation>按小时</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="311"/>
        <source>per day</source>
        <translation>按天</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="312"/>
        <source>per LOT</source>
        <translation>按批次</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="313"/>
        <source>per station</source>
        <translation>按工位</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="314"/>
        <source>per profile</source>
        <translation>按配置</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="320"/>
        <source>Shift starts at</source>
        <translation>班次开始于</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="338"/>
        <source>Click a bar for the runs behind it.</source>
        <translation>点击柱条查看对应的测试记录。</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="368"/>
        <source>supply current (mA)</source>
        <translation>供电电流 (mA)</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="369"/>
        <source>TB (mean of five)</source>
        <translation>TB（五次均值）</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="370"/>
        <source>open/short level X</source>
        <translation>开短路水平 X</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="371"/>
        <source>open/short level Y</source>
        <translation>开短路水平 Y</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="383"/>
        <source>Limits from the reference period</source>
        <translation>控制限取自基准时段</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="405"/>
        <source>in the time range</source>
        <translation>限于时间范围</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="407"/>
        <source>Search</source>
        <translation>查询</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="408"/>
        <location filename="../src/stats/statswindow.cpp" line="419"/>
        <source>Barcode</source>
        <translation>条码</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="410"/>
        <location filename="../src/stats/statswindow.cpp" line="419"/>
        <source>LOT</source>
        <translation>批次</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="412"/>
        <location filename="../src/stats/statswindow.cpp" line="420"/>
        <source>Worker ID</source>
        <translation>工号</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="419"/>
        <source>Started</source>
        <translation>开始时间</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="419"/>
        <source>Verdict</source>
        <translation>结果</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="420"/>
        <source>Failed items</source>
        <translation>不良项</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="420"/>
        <source>Result file</source>
        <translation>结果文件</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="426"/>
        <source>Click a run to open its result file in the log viewer.</source>
        <translation>点击一条记录，在日志查看器中打开其结果文件。</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="500"/>
        <source>failed: %1</source>
        <translation>不良：%1</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="582"/>
        <source>The store holds no runs yet.</source>
        <translation>数据库中尚无测试记录。</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="584"/>
        <source>%1: %2 runs</source>
        <translation>%1：%2 条记录</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="621"/>
        <source>(none)</source>
        <translation>（无）</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="631"/>
        <source>This hour: %1 % first pass, %2 % final, %3 panels</source>
        <translation>本小时：一次良率 %1 %，最终良率 %2 %，%3 片</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="634"/>
        <source>This hour: no panels yet</source>
        <translation>本小时：暂无面板</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="644"/>
        <source>first pass %</source>
        <translation>一次良率 %</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="645"/>
        <source>final %</source>
        <translation>最终良率 %</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="669"/>
        <source>Yield, the latest %1 of %2 groups (number of runs in brackets)</source>
        <translation>良率，%2 组中最近 %1 组（括号内为测试次数）</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="671"/>
        <source>Yield (number of runs in brackets)</source>
        <translation>良率（括号内为测试次数）</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="684"/>
        <location filename="../src/stats/statswindow.cpp" line="723"/>
        <source>%</source>
        <translation>%</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="693"/>
        <source>failed runs</source>
        <translation>不良次数</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="695"/>
        <source>cumulative %</source>
        <translation>累计 %</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="712"/>
        <source>No item failed in the range</source>
        <translation>该时段内无不良项</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="713"/>
        <source>Failing items (%1 failures)</source>
        <translation>不良项（共 %1 次）</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="722"/>
        <location filename="../src/stats/statswindow.cpp" line="809"/>
        <source>runs</source>
        <translation>次数</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="751"/>
        <source>X raster: panels failed per cell</source>
        <translation>X 平整度：各单元不良片数</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="752"/>
        <source>Y raster: panels failed per cell</source>
        <translation>Y 平整度：各单元不良片数</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="756"/>
        <source>The panel of profile %1 is not known here: no map can be drawn.</source>
        <translation>此处不知配置 %1 的面板尺寸，无法绘制分布图。</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="758"/>
        <source>%1 failing cells lie outside the %2 x %3 panel of profile %4: the store holds runs of another geometry under that name.</source>
        <translation>%1 个不良单元超出配置 %4 的 %2 x %3 面板：数据库中同名配置下有其他尺寸的记录。</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="762"/>
        <source>Profile %1 (%2 x %3), %4 runs in the range. The darker the red, the more panels failed there.</source>
        <translation>配置 %1（%2 x %3），该时段 %4 条记录。红色越深，该处不良的面板越多。</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="781"/>
        <source>open</source>
        <translation>开路</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="782"/>
        <source>short</source>
        <translation>短路</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="794"/>
        <source>%1 electrodes: runs with an open or short</source>
        <translation>%1 电极：开路或短路的次数</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="851"/>
        <source>value</source>
        <translation>数值</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="853"/>
        <source>outside the limits</source>
        <translation>超出控制限</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="857"/>
        <source>run of eight on one side</source>
        <translation>连续八点在中心线同侧</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="875"/>
        <source>centre</source>
        <translation>中心线</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="876"/>
        <source>-3 sigma</source>
        <translation>-3 sigma</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="877"/>
        <source>+3 sigma</source>
        <translation>+3 sigma</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="891"/>
        <source>run, oldest to newest</source>
        <translation>测试序号（由旧到新）</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="902"/>
        <source>limits from %1 reference runs</source>
        <translation>控制限取自 %1 条基准记录</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="903"/>
        <source>too few reference runs for limits: choose another period</source>
        <translation>基准记录太少，无法计算控制限：请选择其他时段</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="904"/>
        <source>%1: individual values, %2</source>
        <translation>%1：单值图，%2</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="907"/>
        <source>%1: moving range</source>
        <translation>%1：移动极差图</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="937"/>
        <source>No run matches the search.</source>
        <translation>没有符合条件的记录。</translation>
    </message>
</context>
</TS>
