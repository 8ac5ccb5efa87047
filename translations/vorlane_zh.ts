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
        <location filename="../src/app/vorlane_run.cpp" line="270"/>
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
        <location filename="../src/app/vorlane.cpp" line="173"/>
        <location filename="../src/app/vorlane.cpp" line="595"/>
        <source>Line statistics</source>
        <translation>产线统计</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="307"/>
        <location filename="../src/app/vorlane.cpp" line="593"/>
        <source>open file</source>
        <translation>打开文件</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="351"/>
        <source>results store unavailable: %1</source>
        <translation>结果数据库不可用：%1</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="354"/>
        <source>results store available again</source>
        <translation>结果数据库已恢复</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="356"/>
        <source>results store rebuilt: %1</source>
        <translation>结果数据库已重建：%1</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="392"/>
        <location filename="../src/app/vorlane.cpp" line="394"/>
        <source>line store: %1</source>
        <translation>产线数据库：%1</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="405"/>
        <source>line store refused %1: %2</source>
        <translation>产线数据库拒收 %1：%2</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="441"/>
        <source>disk: %1 MB free</source>
        <translation>磁盘剩余 %1 MB</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="453"/>
        <source>disk almost full: %1 MB free</source>
        <translation>磁盘空间将满：剩余 %1 MB</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="605"/>
        <source>QLX HID GUI</source>
        <translation>QLX HID GUI</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="605"/>
        <source>Do you really want to exit?</source>
        <translation>确定要退出吗？</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="800"/>
        <location filename="../src/app/vorlane_run.cpp" line="189"/>
        <source>can&apos;t find device!<byte value="xd"/>
</source>
        <translation>找不到设备！<byte value="xd"/>
</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="183"/>
        <source>Test run in progress: start refused</source>
        <translation>测试进行中：不再开始新的测试</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="212"/>
        <source>no input</source>
        <translation>没有输入</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="216"/>
        <source>repeated test message!</source>
        <translation>测试信息重复！</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="372"/>
        <source>Btn_Num is %1: no keys to press</source>
        <translation>Btn_Num 为 %1：没有要按的按键</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="477"/>
        <source>Calibrate: FAIL</source>
        <translation>校准: FAIL</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="496"/>
        <source>Drawing: FAIL</source>
        <translation>划线: FAIL</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="550"/>
        <source>OpenShort: PASS</source>
        <translation>开短路: PASS</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="550"/>
        <source>OpenShort: FAIL</source>
        <translation>开短路: FAIL</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="568"/>
        <source>Planeness_Y: Testing</source>
        <translation>平整度_Y: 测试中</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="569"/>
        <source>Planeness_Y: %1</source>
        <translation>平整度_Y: %1</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="571"/>
        <source>Planeness_X: Testing</source>
        <translation>平整度_X: 测试中</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="571"/>
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
        <location filename="../src/production/resultfile.cpp" line="174"/>
        <source>open csv file fail!<byte value="xd"/>
</source>
        <translation>打开CSV文件失败！<byte value="xd"/>
</translation>
    </message>
</context>
<context>
    <name>results::LineUploader</name>
    <message>
        <location filename="../src/results/lineuploader.cpp" line="602"/>
        <source>line store: connected</source>
        <translation>产线数据库：已连接</translation>
    </message>
    <message>
        <location filename="../src/results/lineuploader.cpp" line="603"/>
        <source>line store: %1 waiting</source>
        <translation>产线数据库：%1 条待上传</translation>
    </message>
    <message>
        <location filename="../src/results/lineuploader.cpp" line="605"/>
        <source>, %1 refused</source>
        <translation>，%1 条被拒收</translation>
    </message>
    <message>
        <location filename="../src/results/lineuploader.cpp" line="608"/>
        <source>, this clock is %1 min ahead of the server&apos;s</source>
        <translation>，本机时钟比服务器快 %1 分钟</translation>
    </message>
    <message>
        <location filename="../src/results/lineuploader.cpp" line="609"/>
        <source>, this clock is %1 min behind the server&apos;s</source>
        <translation>，本机时钟比服务器慢 %1 分钟</translation>
    </message>
    <message>
        <location filename="../src/results/lineuploader.cpp" line="601"/>
        <source>line store: %1 waiting, server not reached: %2</source>
        <translation>产线数据库：%1 条待上传，无法连接服务器：%2</translation>
    </message>
</context>
<context>
    <name>stats::HeatMapWidget</name>
    <message>
        <location filename="../src/stats/heatmapwidget.cpp" line="152"/>
        <source>of the runs:</source>
        <translation>占测试次数：</translation>
    </message>
    <message>
        <location filename="../src/stats/heatmapwidget.cpp" line="152"/>
        <source>runs:</source>
        <translation>次数：</translation>
    </message>
</context>
<context>
    <name>stats::ShiftYield</name>
    <message>
        <location filename="../src/stats/shiftyield.cpp" line="36"/>
        <source>this station since %1: no panels</source>
        <translation>本站自 %1 起：暂无面板</translation>
    </message>
    <message>
        <location filename="../src/stats/shiftyield.cpp" line="38"/>
        <source>this station since %1: %2 panels, first pass %3 %</source>
        <translation>本站自 %1 起：%2 片，一次良率 %3 %</translation>
    </message>
</context>
<context>
    <name>stats::StatsService</name>
    <message>
        <location filename="../src/stats/statsservice.cpp" line="140"/>
        <source>there is no results store at %1 yet</source>
        <translation>%1 尚无结果数据库</translation>
    </message>
    <message>
        <location filename="../src/stats/statsservice.cpp" line="147"/>
        <source>no line store is configured (./line.ini)</source>
        <translation>未配置产线数据库（./line.ini）</translation>
    </message>
    <message>
        <location filename="../src/stats/statsservice.cpp" line="152"/>
        <source>the line store is not reached: %1</source>
        <translation>无法连接产线数据库：%1</translation>
    </message>
</context>
<context>
    <name>stats::StatsWindow</name>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="306"/>
        <source>current</source>
        <translation>电流</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="307"/>
        <source>USB version</source>
        <translation>USB 版本</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="308"/>
        <source>CRC version</source>
        <translation>CRC 版本</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="309"/>
        <source>EEPROM version</source>
        <translation>EEPROM 版本</translation>
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
        <translation>开短路</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="313"/>
        <source>X raster</source>
        <translation>X 平整度</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="314"/>
        <source>Y raster</source>
        <translation>Y 平整度</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="315"/>
        <source>button data</source>
        <translation>按键数据</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="316"/>
        <source>reset</source>
        <translation>复位</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="328"/>
        <source>Line statistics</source>
        <translation>产线统计</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="335"/>
        <location filename="../src/stats/statswindow.cpp" line="468"/>
        <source>Yield</source>
        <translation>良率</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="336"/>
        <source>Failures</source>
        <translation>不良项</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="337"/>
        <source>Where panels fail</source>
        <translation>不良位置</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="338"/>
        <source>Drift</source>
        <translation>漂移</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="339"/>
        <source>Traceability</source>
        <translation>追溯</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="340"/>
        <source>Capability</source>
        <translation>过程能力</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="347"/>
        <location filename="../src/stats/statswindow.cpp" line="355"/>
        <source>Export PNG</source>
        <translation>导出 PNG</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="348"/>
        <location filename="../src/stats/statswindow.cpp" line="360"/>
        <source>Export CSV</source>
        <translation>导出 CSV</translation>
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
        <translation>无法写入 %1</translation>
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
        <translation>本站数据库</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="387"/>
        <location filename="../src/stats/statswindow.cpp" line="828"/>
        <source>line store</source>
        <translation>产线数据库</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="399"/>
        <source>last 8 hours</source>
        <translation>最近 8 小时</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="400"/>
        <source>last 24 hours</source>
        <translation>最近 24 小时</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="401"/>
        <source>last 7 days</source>
        <translation>最近 7 天</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="402"/>
        <source>last 30 days</source>
        <translation>最近 30 天</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="407"/>
        <location filename="../src/stats/statswindow.cpp" line="869"/>
        <source>all</source>
        <translation>全部</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="411"/>
        <source>Refresh</source>
        <translation>刷新</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="413"/>
        <source>Store:</source>
        <translation>数据库：</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="415"/>
        <source>From</source>
        <translation>从</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="417"/>
        <location filename="../src/stats/statswindow.cpp" line="563"/>
        <source>to</source>
        <translation>到</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="420"/>
        <location filename="../src/stats/statswindow.cpp" line="601"/>
        <source>Station</source>
        <translation>工位</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="422"/>
        <source>Profile</source>
        <translation>配置</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="453"/>
        <source>per hour</source>
        <translation>按小时</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="454"/>
        <source>per day</source>
        <translation>按天</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="455"/>
        <source>per LOT</source>
        <translation>按批次</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="456"/>
        <source>per station</source>
        <translation>按工位</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="457"/>
        <source>per profile</source>
        <translation>按配置</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="462"/>
        <source>e.g. GOLD*, REF-0001</source>
        <translation>例如 GOLD*, REF-0001</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="463"/>
        <source>Barcodes of golden samples and other engineering runs, left out of the yield: GOLD* is every barcode starting with GOLD, REF-0001 that one barcode.</source>
        <translation>标准样品等工程测试的条码，不计入良率：GOLD* 表示所有以 GOLD 开头的条码，REF-0001 仅表示该条码。</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="465"/>
        <location filename="../src/stats/statswindow.cpp" line="1412"/>
        <source>engineering runs only</source>
        <translation>仅工程测试</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="469"/>
        <source>Shift starts at</source>
        <translation>班次开始于</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="470"/>
        <source>Engineering barcodes</source>
        <translation>工程条码</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="476"/>
        <source>Both bars of a group are of the panels first tested in it (a panel is a barcode; a run without one is a panel of its own): first pass, their first run passed; final, their latest run passed, wherever and whenever it was. Each bar: yield, passed / panels; – where no panel was first tested in the group. Engineering runs are left out.</source>
        <translation>每组的两根柱条都针对在该组首次测试的面板（一个条码为一片面板；无条码的测试各算一片）：一次良率，其首次测试通过；最终良率，其最近一次测试通过，无论何时何地。每根柱条：良率，通过片数 / 面板数；该组无首次测试的面板时显示 –。工程测试不计入。</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="508"/>
        <source>Click a bar for the runs behind it.</source>
        <translation>点击柱条查看对应的测试记录。</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="522"/>
        <source>as a share of the runs (%)</source>
        <translation>按占测试次数的比例（%）</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="546"/>
        <source>supply current (mA)</source>
        <translation>供电电流 (mA)</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="547"/>
        <source>TB (mean of five)</source>
        <translation>TB（五次均值）</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="548"/>
        <source>open/short level X</source>
        <translation>开短路水平 X</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="549"/>
        <source>open/short level Y</source>
        <translation>开短路水平 Y</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="561"/>
        <source>Limits from the reference period</source>
        <translation>控制限取自基准时段</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="582"/>
        <source>is</source>
        <translation>等于</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="583"/>
        <source>starts with</source>
        <translation>开头为</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="586"/>
        <source>in the time range</source>
        <translation>限于时间范围</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="588"/>
        <source>Search</source>
        <translation>查询</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="589"/>
        <location filename="../src/stats/statswindow.cpp" line="601"/>
        <source>Barcode</source>
        <translation>条码</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="592"/>
        <location filename="../src/stats/statswindow.cpp" line="601"/>
        <source>LOT</source>
        <translation>批次</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="594"/>
        <location filename="../src/stats/statswindow.cpp" line="602"/>
        <source>Worker ID</source>
        <translation>工号</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="601"/>
        <source>Started</source>
        <translation>开始时间</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="601"/>
        <source>Verdict</source>
        <translation>结果</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="602"/>
        <source>Failed items</source>
        <translation>不良项</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="602"/>
        <source>Result file</source>
        <translation>结果文件</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="608"/>
        <source>Click a run to open its result file in the log viewer.</source>
        <translation>点击一条记录，在日志查看器中打开其结果文件。</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="609"/>
        <source>Judged against</source>
        <translation>判定依据</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="615"/>
        <source>Profile text</source>
        <translation>配置文件内容</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="616"/>
        <source>Changes against the version before</source>
        <translation>与上一版本相比的改动</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="701"/>
        <source>failed: %1</source>
        <translation>不良：%1</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="820"/>
        <source>The store holds no runs yet.</source>
        <translation>数据库中尚无测试记录。</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="823"/>
        <source>%1: %2 runs counted; its runs before %3 were pruned once the line had them</source>
        <translation>%1：共计 %2 条记录；%3 之前的记录已在产线收到后清除</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="828"/>
        <source>%1: %2 runs</source>
        <translation>%1：%2 条记录</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="871"/>
        <location filename="../src/stats/statswindow.cpp" line="915"/>
        <source>(none)</source>
        <translation>（无）</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1210"/>
        <source>LCL (−3σ)</source>
        <translation>下控制限（−3σ）</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1212"/>
        <source>UCL (3.267 × mean range)</source>
        <translation>上控制限（3.267 × 平均移动极差）</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1213"/>
        <source>mean range</source>
        <translation>平均移动极差</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1215"/>
        <source>%1 of %2: individual values, %3; %4</source>
        <translation>%2 的%1：单值，%3；%4</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1218"/>
        <source>%1 of %2: moving range</source>
        <translation>%2 的%1：移动极差</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1289"/>
        <source>Select a run to see what it was judged against.</source>
        <translation>选择一条记录，查看其判定依据。</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1295"/>
        <source>Profile %1: not known (the run was recorded from its file alone)</source>
        <translation>配置文件 %1：未知（该记录仅由其结果文件记入）</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1297"/>
        <source>Profile %1, version %2, first seen %3 on %4; %5</source>
        <translation>配置文件 %1，版本 %2，首次出现于 %3（%4）；%5</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1299"/>
        <source>the first version known</source>
        <translation>已知的第一个版本</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1300"/>
        <source>the version before: %1</source>
        <translation>上一版本：%1</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1303"/>
        <source>Baseline: none read for its items</source>
        <translation>基准：其测试项未读取基准</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1303"/>
        <source>Baseline: not known</source>
        <translation>基准：未知</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1304"/>
        <source>Baseline %1</source>
        <translation>基准 %1</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1305"/>
        <source>Firmware: none downloaded in the run</source>
        <translation>固件：本次测试未下载</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1305"/>
        <source>Firmware: not known</source>
        <translation>固件：未知</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1306"/>
        <source>Firmware %1, downloaded in the run</source>
        <translation>固件 %1，本次测试中下载</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1307"/>
        <source>Station software: not known</source>
        <translation>测试站软件：未知</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1308"/>
        <source>Station software %1</source>
        <translation>测试站软件 %1</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1336"/>
        <source>Profile %1, version %2</source>
        <translation>配置文件 %1，版本 %2</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1345"/>
        <source>Key</source>
        <translation>键</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1345"/>
        <source>Change</source>
        <translation>改动</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1345"/>
        <source>Before</source>
        <translation>之前</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1345"/>
        <source>In this version</source>
        <translation>本版本</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1350"/>
        <source>The two versions could not be compared: no room for a temporary file.</source>
        <translation>无法比较两个版本：没有空间存放临时文件。</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1353"/>
        <source>The two versions hold the same keys and values.</source>
        <translation>两个版本的键和值相同。</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1359"/>
        <source>added</source>
        <translation>新增</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1359"/>
        <source>removed</source>
        <translation>删除</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1359"/>
        <source>changed</source>
        <translation>修改</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1365"/>
        <source>Profile %1: version %2 against %3</source>
        <translation>配置文件 %1：版本 %2 与 %3 比较</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1406"/>
        <source>Electric: supply current (mA)</source>
        <translation>Electric：电源电流 (mA)</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1407"/>
        <source>Tb_Value: highest TB reading</source>
        <translation>Tb_Value：TB 最高读数</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1408"/>
        <source>OpenShort: each line value against its window</source>
        <translation>OpenShort：每个通道值对照其窗口</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1409"/>
        <source>RasterX: highest and lowest deviation</source>
        <translation>RasterX：最大与最小偏差</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1410"/>
        <source>RasterY: highest and lowest deviation</source>
        <translation>RasterY：最大与最小偏差</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1411"/>
        <source>BtnData: each key&apos;s value</source>
        <translation>BtnData：每个按键的值</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1413"/>
        <source>Item</source>
        <translation>测试项</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1420"/>
        <source>Measurement</source>
        <translation>测量值</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1420"/>
        <source>Limits version</source>
        <translation>限值版本</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1420"/>
        <source>First run</source>
        <translation>首次测试</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1420"/>
        <source>Last run</source>
        <translation>最后测试</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1421"/>
        <source>Lower limit</source>
        <translation>下限</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1421"/>
        <source>Upper limit</source>
        <translation>上限</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1421"/>
        <source>Runs</source>
        <translation>测试次数</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1421"/>
        <source>Mean</source>
        <translation>均值</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1422"/>
        <source>σ within</source>
        <translation>组内 σ</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1422"/>
        <source>σ overall</source>
        <translation>整体 σ</translation>
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
        <translation>超限</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1500"/>
        <source>not known</source>
        <translation>未知</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1501"/>
        <source>none</source>
        <translation>无</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1517"/>
        <source>%1 of %2</source>
        <translation>%1 / %2</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1551"/>
        <source>Each measurement against the limits of the profile its runs were judged under; where the limits changed in the range, one row and one histogram per version. σ within: the mean moving range of consecutive runs of each station and profile / 1.128; σ overall: the sample standard deviation. Cpk and Ppk: the nearer limit; one-sided (Cpu, Cpl) where the profile has one limit. Green from 1.33, orange from 1.0. %1 Click a row for its histogram.</source>
        <translation>每个测量值对照其测试时所用配置文件的限值；限值在范围内有变更时，每个版本一行、一个直方图。组内 σ：每台工位、每个配置文件相邻测试的平均移动极差 / 1.128；整体 σ：样本标准差。Cpk 与 Ppk：取较近的限值；配置文件只有一个限值时为单侧 (Cpu, Cpl)。1.33 以上为绿色，1.0 以上为橙色。%1 点击一行查看其直方图。</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1556"/>
        <source>Engineering runs alone.</source>
        <translation>仅工程测试。</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1556"/>
        <source>Engineering runs are left out.</source>
        <translation>不含工程测试。</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1558"/>
        <source>No %1 measurement in the range.</source>
        <translation>范围内没有 %1 测量值。</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1590"/>
        <source>%1 %2, limits version %3 of %4</source>
        <translation>%1 %2，限值版本 %3 / %4</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1591"/>
        <source>%1 %2</source>
        <translation>%1 %2</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1593"/>
        <source>%1 runs, %2 to %3</source>
        <translation>%1 次测试，%2 至 %3</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1606"/>
        <source>runs per bin</source>
        <translation>每组测试次数</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1629"/>
        <source>lower limit %1%2</source>
        <translation>下限 %1%2</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1632"/>
        <source>upper limit %1%2</source>
        <translation>上限 %1%2</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1634"/>
        <source>mean %1%2</source>
        <translation>均值 %1%2</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1638"/>
        <source>%1 (counts)</source>
        <translation>%1 (计数)</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1638"/>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1648"/>
        <source>limits not known (runs recorded without their profile)</source>
        <translation>限值未知（记录时没有配置文件）</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1650"/>
        <source>Cp %1, Cpk %2, Pp %3, Ppk %4</source>
        <translation>Cp %1，Cpk %2，Pp %3，Ppk %4</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1658"/>
        <source>mean %1, σ within %2, σ overall %3; %4</source>
        <translation>均值 %1，组内 σ %2，整体 σ %3；%4</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="885"/>
        <source>This hour: no panels yet</source>
        <translation>本小时：暂无面板</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="901"/>
        <source>first pass %</source>
        <translation>一次良率 %</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="902"/>
        <source>final %</source>
        <translation>最终良率 %</translation>
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
        <translation>不良次数</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="882"/>
        <source>This hour: first pass %1 %, final %2 % (panels: %3)</source>
        <translation>本小时：一次良率 %1 %，最终良率 %2 %（面板：%3 片）</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="922"/>
        <source>First-pass and final yield of the panels first tested in each group (runs in brackets)</source>
        <translation>各组首次测试面板的一次良率与最终良率（括号内为测试次数）</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="924"/>
        <source>%1, the latest %2 of %3 groups</source>
        <translation>%1，%3 组中最近 %2 组</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="925"/>
        <source>No runs in the range</source>
        <translation>该时段无测试记录</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="933"/>
        <source>yield (%)</source>
        <translation>良率（%）</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="946"/>
        <source>cumulative %</source>
        <translation>累计 %</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="963"/>
        <source>No item failed in the range</source>
        <translation>该时段内无不良项</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="964"/>
        <source>Failing items (%1 failures)</source>
        <translation>不良项（共 %1 次）</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1008"/>
        <source>%1 raster: share of the runs failing at each cell (%), rows down, columns across</source>
        <translation>%1 平整度：各单元不良次数占比（%），行向下，列向右</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1009"/>
        <source>%1 raster: runs failing at each cell, rows down, columns across</source>
        <translation>%1 平整度：各单元不良次数，行向下，列向右</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1021"/>
        <source>Profile %1 (%2 x %3), %4 runs in the range. The darker the red, the more runs failed there.</source>
        <translation>配置 %1（%2 x %3），该时段 %4 条记录。红色越深，该处不良的次数越多。</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1060"/>
        <source>%1 electrodes: share of the runs with an open or short</source>
        <translation>%1 电极：开路或短路次数占比</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1074"/>
        <source>electrode</source>
        <translation>电极</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1077"/>
        <source>% of the runs</source>
        <translation>占测试次数 %</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1078"/>
        <location filename="../src/stats/statswindow.cpp" line="1639"/>
        <source>runs</source>
        <translation>次数</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1015"/>
        <source>The panel of profile %1 is not known here: no map can be drawn.</source>
        <translation>此处不知配置 %1 的面板尺寸，无法绘制分布图。</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1017"/>
        <source>%1 failing cells lie outside the %2 x %3 panel of profile %4: the store holds runs of another geometry under that name.</source>
        <translation>%1 个不良单元超出配置 %4 的 %2 x %3 面板：数据库中同名配置下有其他尺寸的记录。</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1047"/>
        <source>open</source>
        <translation>开路</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1048"/>
        <source>short</source>
        <translation>短路</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1061"/>
        <source>%1 electrodes: runs with an open or short</source>
        <translation>%1 电极：开路或短路的次数</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1102"/>
        <source>mA</source>
        <translation>mA</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1102"/>
        <source>counts</source>
        <translation>计数值</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1136"/>
        <source>value</source>
        <translation>数值</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1138"/>
        <source>outside the limits</source>
        <translation>超出控制限</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1144"/>
        <source>run of eight on one side</source>
        <translation>连续八点在中心线同侧</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1196"/>
        <source>no station has runs in the range</source>
        <translation>该时段没有工位有测试记录</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1198"/>
        <source>station %1 (the first in the range; drift is per station, choose one above)</source>
        <translation>工位 %1（该时段的第一个工位；漂移按工位统计，请在上方选择）</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1200"/>
        <source>station %1</source>
        <translation>工位 %1</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1202"/>
        <source>the newest %1 of %2 runs in the range</source>
        <translation>该时段 %2 条记录中最新的 %1 条</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1203"/>
        <source>%1 runs</source>
        <translation>%1 条记录</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1208"/>
        <source>UCL (+3σ)</source>
        <translation>上控制限（+3σ）</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1209"/>
        <source>centre</source>
        <translation>中心线</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1181"/>
        <source>run, oldest to newest</source>
        <translation>测试序号（由旧到新）</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1204"/>
        <source>limits from %1 reference runs</source>
        <translation>控制限取自 %1 条基准记录</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1205"/>
        <source>too few reference runs for limits: choose another period</source>
        <translation>基准记录太少，无法计算控制限：请选择其他时段</translation>
    </message>
    <message>
        <location filename="../src/stats/statswindow.cpp" line="1258"/>
        <source>No run matches the search.</source>
        <translation>没有符合条件的记录。</translation>
    </message>
</context>
</TS>
