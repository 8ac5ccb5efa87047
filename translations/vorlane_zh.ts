<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>BorderWidget</name>
    <message>
        <location filename="../src/production/borderwidget.cpp" line="111"/>
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
        <location filename="../src/production/calibratedialog.cpp" line="55"/>
        <source>Ok</source>
        <translation>确定</translation>
    </message>
    <message>
        <location filename="../src/production/calibratedialog.cpp" line="55"/>
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
        <location filename="../src/tools/generatecsv.cpp" line="187"/>
        <source>Dialog</source>
        <translation>对话框</translation>
    </message>
    <message>
        <location filename="../src/tools/generatecsv.cpp" line="188"/>
        <source>Generate Files</source>
        <translation>生成基准文件</translation>
    </message>
    <message>
        <location filename="../src/tools/generatecsv.cpp" line="189"/>
        <source>status</source>
        <translation>状态</translation>
    </message>
    <message>
        <location filename="../src/tools/generatecsv.cpp" line="209"/>
        <source>skipped, incomplete (left in ./log): %1</source>
        <translation>已跳过不完整的文件（保留在 ./log）：%1</translation>
    </message>
    <message>
        <location filename="../src/tools/generatecsv.cpp" line="213"/>
        <source>can&apos;t find PASS files</source>
        <translation>找不到PASS文件</translation>
    </message>
    <message>
        <location filename="../src/tools/generatecsv.cpp" line="217"/>
        <source>open csv file error</source>
        <translation>打开CSV文件出错</translation>
    </message>
    <message>
        <location filename="../src/tools/generatecsv.cpp" line="220"/>
        <source>write baseline file error</source>
        <translation>写入基准文件出错</translation>
    </message>
    <message>
        <location filename="../src/tools/generatecsv.cpp" line="223"/>
        <source>OK</source>
        <translation>完成</translation>
    </message>
</context>
<context>
    <name>HidCommand</name>
    <message>
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
    <name>PasswordDialog</name>
    <message>
        <location filename="../src/profile/passworddialog.cpp" line="43"/>
        <source>admin password is error!</source>
        <translation>管理员密码错误！</translation>
    </message>
</context>
<context>
    <name>Vorlane</name>
    <message>
        <location filename="../src/app/vorlane.cpp" line="206"/>
        <location filename="../src/app/vorlane.cpp" line="359"/>
        <source>open file</source>
        <translation>打开文件</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="364"/>
        <source>QLX HID GUI</source>
        <translation>QLX HID GUI</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="364"/>
        <source>Do you really want to exit?</source>
        <translation>确定要退出吗？</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane.cpp" line="533"/>
        <location filename="../src/app/vorlane_run.cpp" line="72"/>
        <source>can&apos;t find device!<byte value="xd"/>
</source>
        <translation>找不到设备！<byte value="xd"/>
</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="88"/>
        <source>no input</source>
        <translation>没有输入</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="92"/>
        <source>repeated test message!</source>
        <translation>测试信息重复！</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="302"/>
        <source>OpenShort: PASS</source>
        <translation>开短路: PASS</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="302"/>
        <source>OpenShort: FAIL</source>
        <translation>开短路: FAIL</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="317"/>
        <source>Planeness_Y: Testing</source>
        <translation>平整度_Y: 测试中</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="317"/>
        <source>Planeness_Y: %1</source>
        <translation>平整度_Y: %1</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="318"/>
        <source>Planeness_X: Testing</source>
        <translation>平整度_X: 测试中</translation>
    </message>
    <message>
        <location filename="../src/app/vorlane_run.cpp" line="318"/>
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
        <location filename="../src/production/resultfile.cpp" line="158"/>
        <source>open csv file fail!<byte value="xd"/>
</source>
        <translation>打开CSV文件失败！<byte value="xd"/>
</translation>
    </message>
    <message>
        <location filename="../src/production/resultfile.cpp" line="195"/>
        <source>Result file name already used; stored as %1</source>
        <translation>结果文件名已被占用，另存为 %1</translation>
    </message>
    <message>
        <location filename="../src/production/resultfile.cpp" line="208"/>
        <source>Result file could not be filed; kept as %1</source>
        <translation>结果文件无法归档，保留为 %1</translation>
    </message>
</context>
</TS>
